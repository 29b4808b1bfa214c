// The toolkit's string array: a growable array of text strings indexed from 0,
// changed in size only through its two resize operations.
#pragma once

#include <string>
#include <vector>

namespace toolkit {

// The upper bound of an array is size() - 1; an array never sized is empty and
// has upper bound -1.
using StringArray = std::vector<std::string>;

// Releases every element, then holds upperBound + 1 empty elements. An upper
// bound below 0 leaves the array empty. Returns false, with the array empty, when
// the memory cannot be had.
//   ResizeDiscarding(a, 2)  ->  a == {"", "", ""}
bool ResizeDiscarding(StringArray& array, int upperBound);

// Elements 0 to min(old, new upper bound) keep their values, elements above
// upperBound are released and new elements are empty. An upper bound below 0
// empties the array. Returns false, leaving the array unchanged, when the memory
// cannot be had.
//   a == {"x", "y"}:  ResizePreserving(a, 2)  ->  {"x", "y", ""};  ResizePreserving(a, 0)  ->  {"x"}
bool ResizePreserving(StringArray& array, int upperBound);

}  // namespace toolkit
