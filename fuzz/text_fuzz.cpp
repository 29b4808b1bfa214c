// The text rules on random texts and positions: no crash, no sanitizer report,
// and the laws that relate the rules to one another.

#include <string>

#include "input.h"
#include "text/search.h"
#include "text/text.h"

using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input input(data, size);
  const int a = input.Integer();
  const int b = input.Integer();
  const std::string pattern = input.Bytes(16);
  const std::string text = input.Rest();
  const long long n = static_cast<long long>(text.size());

  // Cutting: the parts are substrings of the text of the lengths the rules give.
  const std::string_view left = text::LeftPart(text, a);
  const std::string_view right = text::RightPart(text, a);
  Check(left.size() == static_cast<std::size_t>(a <= 0 ? 0 : (a >= n ? n : a)));
  Check(right.size() == left.size());
  Check(text.compare(0, left.size(), left) == 0);
  Check(text.compare(text.size() - right.size(), right.size(), right) == 0);
  const std::string_view rest = text::RestFrom(text, a);
  Check(rest.size() == static_cast<std::size_t>(a < 1 || a > n ? 0 : n - a + 1));
  const std::string_view part = text::Substring(text, a, b);
  Check(part.size() <= rest.size() && rest.substr(0, part.size()) == part);

  // Overwrite keeps the length.
  std::string copy = text;
  text::OverwriteInPlace(copy, pattern, a);
  Check(copy.size() == text.size());

  // Search agrees with the scanner, and what it finds is there.
  const int found = text::Search(text, pattern, a);
  if (found > 0) {
    Check(found >= a && text.compare(static_cast<std::size_t>(found) - 1, pattern.size(), pattern) == 0);
  }
  if (!pattern.empty() && a >= 1 && a <= n) {
    const std::size_t at = text::FindFrom(text, pattern, static_cast<std::size_t>(a) - 1);
    Check(found == (at == std::string_view::npos ? 0 : static_cast<int>(at) + 1));
  }

  // Overlapping occurrences come in increasing order, each one real, and the
  // non-overlapping ones are a subset of them.
  if (!pattern.empty()) {
    text::Occurrences all(text, pattern, text::Resume::kOverlapping);
    text::Occurrences disjoint(text, pattern, text::Resume::kAfterMatch);
    std::size_t at = 0;
    std::size_t next = 0;
    bool first = true;
    std::size_t previous = 0;
    bool haveDisjoint = disjoint.Next(next);
    while (all.Next(at)) {
      Check(first || at > previous);
      Check(text.compare(at, pattern.size(), pattern) == 0);
      if (haveDisjoint && next == at) haveDisjoint = disjoint.Next(next);
      first = false;
      previous = at;
    }
    Check(!haveDisjoint);
  }
  return 0;
}
