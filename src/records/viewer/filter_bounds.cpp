#include "records/viewer/filter_bounds.h"

#include "common/c_number.h"

namespace vx::records {

bool FilterBounds::Admit() {
  if (!taken_) return true;
  if (taken_->upper - taken_->lower > 0) return true;
  taken_.reset();
  return false;
}

void FilterBounds::Take(std::string_view lower, std::string_view upper) {
  taken_ = Taken{LeadingNumber(lower), LeadingNumber(upper)};
}

}  // namespace vx::records
