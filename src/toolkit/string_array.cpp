// The two resize operations of the string array. Allocation failures are caught
// here and reported as false, so no exception ever leaves the toolkit.

#include "toolkit/string_array.h"

#include <new>
#include <stdexcept>

namespace toolkit {

bool ResizeDiscarding(StringArray& array, int upperBound) {
  StringArray fresh;
  try {
    if (upperBound >= 0) fresh.resize(static_cast<std::size_t>(upperBound) + 1);
  } catch (const std::bad_alloc&) {
    array = StringArray();
    return false;
  } catch (const std::length_error&) {
    array = StringArray();
    return false;
  }
  array.swap(fresh);
  return true;
}

bool ResizePreserving(StringArray& array, int upperBound) {
  try {
    array.resize(upperBound >= 0 ? static_cast<std::size_t>(upperBound) + 1 : 0);
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  return true;
}

}  // namespace toolkit
