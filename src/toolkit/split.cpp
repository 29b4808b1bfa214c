// Splitting, counting and fields over the shared scanner. Each routine makes one
// pass with text::Occurrences; allocation failures are caught here, so nothing
// leaves a routine but its result.

#include "toolkit/split.h"

#include <climits>
#include <cstring>
#include <string_view>

#include "text/search.h"
#include "toolkit/pieces.h"

namespace toolkit {
namespace {

// Appends `bytes` to `field` without its zero bytes, one run at a time.
void AppendWithoutZeros(std::string& field, std::string_view bytes) {
  field.reserve(field.size() + bytes.size());
  while (!bytes.empty()) {
    const void* zero = std::memchr(bytes.data(), 0, bytes.size());
    if (zero == nullptr) {
      field.append(bytes);
      return;
    }
    const std::size_t run = static_cast<std::size_t>(static_cast<const char*>(zero) - bytes.data());
    field.append(bytes.data(), run);
    bytes.remove_prefix(run + 1);
  }
}

// Adds one field after the last element of `parts`.
void AddField(StringArray& parts, std::string_view bytes, bool textHasZeros) {
  if (textHasZeros) {
    parts.emplace_back();
    AppendWithoutZeros(parts.back(), bytes);
  } else {
    parts.emplace_back(bytes);
  }
}

}  // namespace

int SplitText(const std::string& text, const std::string& delimiter, StringArray& parts) {
  const int count = detail::Guarded(
      [&] {
        int found = 0;
        const std::string_view all(text);
        const std::string_view searchable = detail::Searchable(all, delimiter.size());
        // Counting first lets the array take its final size in one allocation; its
        // size is count + 1 throughout, as if it grew by one element per delimiter.
        const std::size_t delimiters = text::Occurrences(searchable, delimiter, text::Resume::kAfterMatch).Count();
        parts.clear();
        parts.shrink_to_fit();
        parts.reserve(delimiters + 1);
        const bool textHasZeros = std::memchr(all.data(), 0, all.size()) != nullptr;
        text::Occurrences scan(searchable, delimiter, text::Resume::kAfterMatch);
        std::size_t fieldStart = 0;
        std::size_t at;
        while (scan.Next(at)) {
          AddField(parts, all.substr(fieldStart, at - fieldStart), textHasZeros);
          ++found;
          fieldStart = at + delimiter.size();
        }
        AddField(parts, all.substr(fieldStart), textHasZeros);
        return found;
      },
      -1);
  if (count >= 0) return count;
  detail::Guarded(
      [&] {
        parts.clear();
        parts.emplace_back();
        return true;
      },
      false);
  return 0;
}

int CountOccurrences(const std::string& text, const std::string& pattern) {
  // Searchable keeps every counted occurrence at an offset below INT_MAX.
  return static_cast<int>(
      text::Occurrences(detail::Searchable(text, pattern.size()), pattern, text::Resume::kOverlapping).Count());
}

std::string FieldAt(const std::string& text, const std::string& delimiter, int fieldNumber) {
  return detail::Guarded([&]() -> std::string {
    const std::string_view all(text);
    text::Occurrences scan(detail::Searchable(all, delimiter.size()), delimiter, text::Resume::kAfterMatch);
    int fieldsPassed = 0;
    std::size_t fieldStart = 0;
    std::string_view field;
    std::size_t at;
    while (scan.Next(at)) {
      ++fieldsPassed;
      field = all.substr(fieldStart, at - fieldStart);
      if (fieldsPassed == fieldNumber) return std::string(field);
      fieldStart = at + delimiter.size();
    }
    if (fieldsPassed < fieldNumber) {
      return std::string(detail::RestFrom(all, static_cast<std::int64_t>(fieldStart) + 1));
    }
    return std::string(field);
  });
}

int LastPosition(int& limit, const std::string& text, const std::string& pattern) {
  if (limit == -1) limit = text.size() > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(text.size());
  const std::string_view prefix = limit < 0 ? std::string_view(text) : text::LeftPart(text, limit);
  // One overlapping scan keeps the last occurrence; searching afresh after each
  // one would compare a self-overlapping pattern again and again.
  text::Occurrences scan(detail::Searchable(prefix, pattern.size()), pattern, text::Resume::kOverlapping);
  std::size_t last = 0;
  bool found = false;
  std::size_t at;
  while (scan.Next(at)) {
    last = at;
    found = true;
  }
  return found ? static_cast<int>(last) + 1 : 0;
}

}  // namespace toolkit
