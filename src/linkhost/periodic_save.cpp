#include "linkhost/periodic_save.h"

namespace vx::linkhost {

PeriodicSave::PeriodicSave(automation::WorkbookPtr book, std::string path,
                           std::chrono::milliseconds every,
                           std::function<void(const std::string&)> report)
    : book_(std::move(book)),
      path_(std::move(path)),
      every_(every),
      report_(std::move(report)),
      lastBegun_(Clock::now()) {}

PeriodicSave::~PeriodicSave() {
  if (pending_) pending_->Wait();
}

void PeriodicSave::Collect(bool wait) {
  if (!pending_ || (!wait && !pending_->Done())) return;
  const automation::Status saved = pending_->Wait();
  pending_.reset();
  if (!saved) {
    ++failed_;
    report_(saved.error().description);
  }
}

void PeriodicSave::Poll(Clock::time_point now) {
  Collect(false);
  // A save that is still going when the next is due delays that one: never two at once.
  if (pending_ || now - lastBegun_ < every_) return;
  lastBegun_ = now;
  auto begun = book_->SaveCopyAsInBackground(path_);
  if (!begun) {
    ++failed_;
    report_(begun.error().description);
    return;
  }
  pending_ = *std::move(begun);
  ++started_;
}

automation::Status PeriodicSave::Finish() {
  Collect(true);
  return book_->SaveAs(path_);
}

}  // namespace vx::linkhost
