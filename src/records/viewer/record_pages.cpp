#include "records/viewer/record_pages.h"

#include "common/c_number.h"

namespace vx::records {

std::vector<std::string> PageEntries(long long count) {
  std::vector<std::string> entries;
  const long long full = count / kPageRows;
  for (long long i = 0; i < full; ++i)
    entries.push_back(FormatC(" %lld - %lld ", kPageRows * i + 1, kPageRows * i + kPageRows));
  if (count % kPageRows != 0 || count == 0)
    entries.push_back(FormatC(" %lld - %lld ", kPageRows * full + 1, count));
  return entries;
}

}  // namespace vx::records
