// Deleting, inserting, overwriting, replacing and reversing on random texts and
// positions of any 32-bit value: no crash or sanitizer report, the results that
// plain std::string operations give for positions inside the text, and the laws
// that hold everywhere (reversing twice, replacing a pattern by itself).

#include <cstdlib>
#include <string>

#include "input.h"
#include "toolkit/edit.h"

namespace {

using fuzz::Check;

// Every non-overlapping occurrence, left to right, replaced by a plain loop.
std::string ReplaceByLoop(const std::string& text, const std::string& pattern, const std::string& replacement) {
  std::string result;
  std::size_t from = 0;
  for (std::size_t at = text.find(pattern); at != std::string::npos; at = text.find(pattern, from)) {
    result.append(text, from, at - from);
    result += replacement;
    from = at + pattern.size();
  }
  result.append(text, from, std::string::npos);
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input input(data, size);
  const int position = input.Integer();
  const int count = input.Integer();
  const std::string other = input.Bytes(16);
  const std::string replacement = input.Bytes(16);
  const std::string text = input.Rest();
  const long long n = static_cast<long long>(text.size());
  const bool inside = position >= 1 && position <= n;
  const std::size_t before = inside ? static_cast<std::size_t>(position) - 1 : 0;

  // DeleteSpan: inside the text with a count that is not negative, the bytes
  // before the position and those after the span; a position past the end
  // changes nothing. Putting the span back restores the text.
  const std::string deleted = toolkit::DeleteSpan(text, position, count);
  if (inside && count >= 0) {
    Check(deleted == text.substr(0, before) + text.substr(std::min<std::size_t>(text.size(), before + static_cast<std::size_t>(count))));
    Check(toolkit::InsertText(deleted, text.substr(before, static_cast<std::size_t>(count)), position) == text);
  }
  if ((position > n && count >= 0) || (count == 0 && position >= 1)) Check(deleted == text);
  Check(deleted.size() <= 2 * text.size());

  // InsertText: in front, between, appended, or alone.
  const std::string inserted = toolkit::InsertText(text, other, position);
  if (position < 1) {
    Check(inserted == other);
  } else if (position > n) {
    Check(inserted == text + other);
  } else {
    Check(inserted == text.substr(0, before) + other + text.substr(before));
  }

  // OverwriteText keeps the length and changes only the covered bytes.
  std::string overwritten = text;
  const std::string copy = toolkit::OverwriteText(overwritten, other, position);
  Check(copy == overwritten && overwritten.size() == text.size());
  if (inside && !other.empty()) {
    const std::size_t covered = std::min(other.size(), text.size() - before);
    Check(overwritten == text.substr(0, before) + other.substr(0, covered) + text.substr(before + covered));
  } else {
    Check(overwritten == text);
  }

  // ReplaceAll: the pattern as its own replacement changes nothing; otherwise
  // the plain loop's result.
  Check(toolkit::ReplaceAll(text, other, other) == text);
  const std::string replaced = toolkit::ReplaceAll(text, other, replacement);
  Check(replaced == (other.empty() ? text : ReplaceByLoop(text, other, replacement)));

  // ReverseText twice is the identity, byte for byte mirrored in between.
  const std::string reversed = toolkit::ReverseText(text);
  Check(reversed.size() == text.size());
  for (std::size_t i = 0; i < text.size(); ++i) Check(reversed[i] == text[text.size() - 1 - i]);
  Check(toolkit::ReverseText(reversed) == text);
  return 0;
}
