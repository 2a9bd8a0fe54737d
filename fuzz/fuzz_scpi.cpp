// Feeds arbitrary command lines to a simulated meter, as a client of k9sim can: the SCPI
// parser, the command table and every handler must neither crash nor let one connection's
// answers grow past the output cap. The first line is also compiled as a command pattern
// and matched against the second.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/clock.h"
#include "sim/meter_engine.h"
#include "sim/scpi_pattern.h"
#include "sim/simulated_meter.h"

namespace {

vx::sim::MeterConfig Meter() {
  vx::sim::MeterConfig config;
  config.descriptor = "USB0::0x1F3A::0x0C21::FUZZ::INSTR";
  config.identity = "TOLVEX,W9-90/1,FUZZ,Q7110 1.05";
  config.cardChannels = 20;
  config.noise = 1e-6;
  config.externalTriggerAfter = std::chrono::milliseconds(5);
  return config;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  const size_t split = input.find('\n');
  const std::string_view first = input.substr(0, split);
  const std::string_view second =
      split == std::string_view::npos ? std::string_view{} : input.substr(split + 1);
  if (const auto pattern = vx::sim::ScpiPattern::Compile(first)) {
    vx::sim::Header header;
    int suffix = 0;
    if (vx::sim::ParseHeader(second.substr(0, second.find('\n')), header) ==
        vx::sim::HeaderResult::Ok) {
      pattern->Matches(header, suffix);
    }
  }

  vx::ManualClock clock;
  vx::sim::SimulatedMeter meter(Meter(), clock);
  auto other = meter.Connect();
  // At most a few dozen lines: a line may ask for 50000 readings.
  std::string_view rest = input;
  for (int line = 0; line < 24 && !rest.empty(); ++line) {
    const size_t end = rest.find('\n');
    const std::string_view piece =
        rest.substr(0, end == std::string_view::npos ? rest.size() : end + 1);
    rest.remove_prefix(piece.size());
    if (line % 3 == 2) {
      other->Write(piece);
    } else {
      meter.Write(piece);
    }
    clock.Advance(std::chrono::milliseconds(3));
    if (line % 5 == 4) meter.FireExternalTrigger();
  }
  std::size_t pending = 0;
  while (const auto message = meter.PopOutput()) pending += message->bytes.size();
  if (pending > vx::sim::MeterEngine::kMaxOutputBytes) std::abort();
  char buffer[64];
  other->Read(buffer, sizeof buffer, std::chrono::milliseconds(10));
  other->Clear();
  return 0;
}
