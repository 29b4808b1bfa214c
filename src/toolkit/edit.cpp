// Editing and replacing. Every result is allocated once at its final length;
// positions are combined in 64 bits, and allocation failures are caught here so
// that a routine returns the empty text instead of throwing.

#include "toolkit/edit.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string_view>

#include "text/search.h"
#include "text/text.h"
#include "toolkit/pieces.h"

namespace toolkit {
namespace {

// Placeholder fill of the replacement's buffer until its pieces are written into
// place; every byte of it is overwritten.
constexpr char kReplaceFill = '+';

}  // namespace

std::string DeleteSpan(const std::string& text, int position, int count) {
  try {
    const std::int64_t start = position;
    return detail::Join({detail::LeftPart(text, start - 1), detail::RestFrom(text, start + count)});
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  return {};
}

std::string InsertText(const std::string& text, const std::string& insertion, int position) {
  try {
    const std::int64_t start = position;
    return detail::Join({detail::LeftPart(text, start - 1), insertion, detail::RestFrom(text, start)});
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  return {};
}

std::string OverwriteText(std::string& text, const std::string& source, int position) {
  text::OverwriteInPlace(text, source, position);
  try {
    return text;
  } catch (const std::bad_alloc&) {
  }
  return {};
}

std::string ReplaceAll(const std::string& text, const std::string& pattern, const std::string& replacement) {
  try {
    const std::string_view searchable = detail::Searchable(text, pattern.size());
    std::size_t occurrences = 0;
    {
      text::Occurrences scan(searchable, pattern, text::Resume::kAfterMatch);
      std::size_t at;
      while (scan.Next(at)) ++occurrences;
    }
    if (occurrences == 0) return text;

    // occurrences * pattern.size() <= text.size(), so only growth can overflow.
    std::string result;
    std::size_t length = text.size();
    if (replacement.size() >= pattern.size()) {
      const std::size_t growth = replacement.size() - pattern.size();
      if (growth != 0 && occurrences > (result.max_size() - length) / growth) return {};
      length += occurrences * growth;
    } else {
      length -= occurrences * (pattern.size() - replacement.size());
    }
    result.assign(length, kReplaceFill);

    char* out = result.data();
    std::size_t gapStart = 0;
    text::Occurrences scan(searchable, pattern, text::Resume::kAfterMatch);
    std::size_t at;
    while (scan.Next(at)) {
      std::memcpy(out, text.data() + gapStart, at - gapStart);
      out += at - gapStart;
      if (!replacement.empty()) std::memcpy(out, replacement.data(), replacement.size());
      out += replacement.size();
      gapStart = at + pattern.size();
    }
    std::memcpy(out, text.data() + gapStart, text.size() - gapStart);
    return result;
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  return {};
}

std::string ReverseText(const std::string& text) {
  try {
    return std::string(text.rbegin(), text.rend());
  } catch (const std::bad_alloc&) {
  }
  return {};
}

}  // namespace toolkit
