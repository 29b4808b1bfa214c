// Splitting, counting, fields and the last position on random texts, delimiters
// and numbers: no crash or sanitizer report, and the laws that tie the four
// routines to each other and to a plain byte-by-byte search.

#include <climits>
#include <cstdlib>
#include <string>

#include "input.h"
#include "toolkit/split.h"

namespace {

using fuzz::Check;

// Occurrences found by trying every start: the slow, obviously right count.
int CountByEveryStart(const std::string& text, const std::string& pattern) {
  if (pattern.empty()) return 0;
  int count = 0;
  for (std::size_t at = text.find(pattern); at != std::string::npos; at = text.find(pattern, at + 1)) ++count;
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input input(data, size);
  const int number = input.Integer();
  const int limitChoice = input.Integer();
  const std::string delimiter = input.Bytes(8);
  const std::string text = input.Rest();
  const bool zeroFree = text.find('\0') == std::string::npos;

  toolkit::StringArray parts{"left over", "from before"};
  const int delimiters = toolkit::SplitText(text, delimiter, parts);
  Check(delimiters >= 0 && parts.size() == static_cast<std::size_t>(delimiters) + 1);
  for (const std::string& part : parts) Check(part.find('\0') == std::string::npos);

  // No field holds the delimiter, and the fields joined with it give back the text.
  if (!delimiter.empty()) {
    std::string joined = parts[0];
    for (std::size_t i = 1; i < parts.size(); ++i) joined += delimiter + parts[i];
    if (zeroFree) Check(joined == text);
    if (zeroFree) {
      for (const std::string& part : parts) Check(part.find(delimiter) == std::string::npos);
    }
  } else {
    Check(delimiters == 0);
  }

  // Non-overlapping occurrences are never more than the overlapping ones.
  const int occurrences = toolkit::CountOccurrences(text, delimiter);
  Check(occurrences == CountByEveryStart(text, delimiter));
  Check(delimiters <= occurrences);

  // FieldAt numbers the same fields from 1, whatever the number.
  if (zeroFree) {
    const std::string field = toolkit::FieldAt(text, delimiter, number);
    if (number >= 1 && number <= delimiters + 1) {
      Check(field == parts[static_cast<std::size_t>(number) - 1]);
    } else if (number > delimiters + 1) {
      Check(field == parts.back());
    } else {
      Check(field == (delimiters > 0 ? parts[static_cast<std::size_t>(delimiters) - 1] : std::string()));
    }
  }

  // The last occurrence within a limit is the one a search from the right finds.
  int limit = limitChoice;
  const int position = toolkit::LastPosition(limit, text, delimiter);
  const int length = static_cast<int>(text.size());
  if (limitChoice == -1) {
    Check(limit == length);
  } else {
    Check(limit == limitChoice);
  }
  const std::size_t within =
      limit < 0 || limit >= length ? text.size() : static_cast<std::size_t>(limit);
  if (!delimiter.empty()) {
    const std::string prefix = text.substr(0, within);
    const std::size_t last = prefix.rfind(delimiter);
    Check(position == (last == std::string::npos ? 0 : static_cast<int>(last) + 1));
  } else {
    Check(position >= 0 && position <= length + 1);
  }
  return 0;
}
