#include "records/multiple/reading_burst.h"

#include "common/c_number.h"

namespace vx::records {
namespace {

// The meter's reading form takes exactly 15 characters ("+1.23456780E+00").
constexpr size_t kReadingCharacters = 15;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

std::optional<int> ParseBurstCount(std::string_view text) {
  text = Trim(text);
  if (text.empty() || text.size() > 9) return std::nullopt;
  for (const char c : text) {
    if (!IsDigit(c)) return std::nullopt;
  }
  const long count = LeadingInteger(text);
  if (count < kMinBurstReadings || count > kMaxBurstReadings) return std::nullopt;
  return static_cast<int>(count);
}

std::optional<double> ReadingFromAnswer(std::string_view answer) {
  return LeadingDecimal(answer.substr(0, kReadingCharacters));
}

ReadingBurst::ReadingBurst(instrument::DeviceTable& table, const Clock& clock)
    : table_(table), clock_(clock) {}

BurstResult ReadingBurst::Run(std::string_view folder, int record, int meter, long long count) {
  running_ = true;
  stopRequested_ = false;
  taken_ = 0;
  lastPump_.reset();
  commitFailure_ = Status::Success();
  table_.SendLongQuery(meter, "sample:count 1\n", instrument::LongAnswerForm::KeepLineFeeds);
  Result<AppendSession> session = OpenRecordForAppend(folder, record, clock_);
  if (!session.Ok()) {
    running_ = false;
    return BurstResult{BurstResult::End::StoreFailed, 0, session.GetStatus().message};
  }
  session_.emplace(std::move(session.Value()));
  while (true) {
    if (PumpDue()) pump_();
    if (stopRequested_) return Finish({BurstResult::End::Stopped, 0, {}});
    if (!commitFailure_.Ok())
      return Finish({BurstResult::End::StoreFailed, 0, commitFailure_.message});
    if (taken_ >= count) return Finish({BurstResult::End::Completed, 0, {}});
    if (std::optional<BurstResult> end = TakeOne(meter)) return Finish(*end);
  }
}

bool ReadingBurst::PumpDue() {
  if (!pump_) return false;
  const auto now = clock_.Steady();
  if (lastPump_ && now - *lastPump_ < kPumpInterval) return false;
  lastPump_ = now;
  return true;
}

std::optional<BurstResult> ReadingBurst::TakeOne(int meter) {
  // The time is taken before the question, as the meter's reading belongs to that moment.
  const LocalDateTime time = clock_.LocalNow();
  const std::string answer =
      table_.SendLongQuery(meter, "read?\n", instrument::LongAnswerForm::KeepLineFeeds);
  if (table_.LastStatus(meter) < VI_SUCCESS)
    return BurstResult{BurstResult::End::MeterFailed, 0, {}};
  const std::optional<double> value = ReadingFromAnswer(answer);
  if (!value) return BurstResult{BurstResult::End::MeterFailed, 0, answer};
  const Status appended = session_->Append(*value, time);
  ++taken_;
  if (!appended.Ok()) return BurstResult{BurstResult::End::StoreFailed, 0, appended.message};
  if (observer_) observer_(taken_);
  return std::nullopt;
}

BurstResult ReadingBurst::Finish(BurstResult result) {
  const Status closed = session_->Close();
  result.stored = session_->CommittedRows();
  const std::size_t lost = session_->LostRows();
  session_.reset();
  running_ = false;
  if (closed.Ok()) return result;
  if (result.end != BurstResult::End::StoreFailed) {
    result.end = BurstResult::End::StoreFailed;
    result.detail = closed.message;
  } else {
    // The failure that ended the run is the message; what it cost is added once.
    result.detail += FormatC(" %zu readings were not saved.", lost);
  }
  return result;
}

void ReadingBurst::CommitIfDue() {
  if (!session_) return;
  const Status status = session_->CommitIfDue();
  if (!status.Ok()) commitFailure_ = status;
}

}  // namespace vx::records
