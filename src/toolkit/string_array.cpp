// The two resize operations of the string array. Allocation failures are caught
// here and reported as false, so no exception ever leaves the toolkit.

#include "toolkit/string_array.h"

#include "toolkit/pieces.h"

namespace toolkit {

bool ResizeDiscarding(StringArray& array, int upperBound) {
  StringArray fresh;
  const bool made = detail::Guarded(
      [&] {
        if (upperBound >= 0) fresh.resize(static_cast<std::size_t>(upperBound) + 1);
        return true;
      },
      false);
  if (!made) {
    array = StringArray();
    return false;
  }
  array.swap(fresh);
  return true;
}

bool ResizePreserving(StringArray& array, int upperBound) {
  return detail::Guarded(
      [&] {
        array.resize(upperBound >= 0 ? static_cast<std::size_t>(upperBound) + 1 : 0);
        return true;
      },
      false);
}

}  // namespace toolkit
