// Feeds arbitrary text to vxscan's channel-list reader: it may refuse, never crash or hang,
// and a list it reads must print back into the same list and fit both card sizes or be
// refused by them in words.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "scanner/channel_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vx::scanner;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const ChannelList list = ParseChannelList(input);
  if (!list.error.empty()) {
    if (!list.entries.empty()) std::abort();
    return 0;
  }
  if (list.entries.empty()) std::abort();
  const ChannelList again = ParseChannelList(FormatChannelList(list.entries));
  if (!again.error.empty() || again.entries != list.entries) std::abort();
  for (const int channels : {10, 20}) {
    ScanSetup setup;
    setup.Reset(channels);
    const std::string error = ApplyChannelList(list.entries, setup);
    if (!error.empty()) continue;
    if (setup.ReadingsPerPass() != static_cast<int>(setup.ActiveChannels().size())) std::abort();
    for (const int k : setup.ActiveChannels()) {
      if (setup.IsSensePartner(k)) std::abort();
    }
  }
  return 0;
}
