#pragma once
// The bounds the viewer's filter took from its fields last time, and the check that a search
// makes on them before it reads the fields again.
//
// A search is refused ("Please re-enter the value.") when the bounds taken last leave no
// range, the upper not above the lower: for example 2 and 2 taken by the Enter key or by an
// earlier search. Two cases are sounder than a literal reading of that rule:
//  - nothing has been taken yet when the window opens, so the first search is not judged on
//    two empty fields (which would refuse every first search);
//  - a refusal forgets the bounds it refused, so the user's re-entered values are searched
//    next time instead of the same stale pair refusing every later search.

#include <optional>
#include <string_view>

namespace vx::records {

inline constexpr const char* kReenterMessage = "Please re-enter the value.";

class FilterBounds {
 public:
  // Whether the bounds taken last let a search go on; a refusal forgets them.
  bool Admit();
  // Takes both field texts as numbers (an empty text counts as 0).
  void Take(std::string_view lower, std::string_view upper);

 private:
  struct Taken {
    double lower = 0;
    double upper = 0;
  };
  std::optional<Taken> taken_;
};

}  // namespace vx::records
