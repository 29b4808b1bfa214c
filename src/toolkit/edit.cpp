// Editing and replacing. Every result is allocated once at its final length;
// positions are combined in 64 bits, and allocation failures are caught here so
// that a routine returns the empty text instead of throwing.

#include "toolkit/edit.h"

#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "text/search.h"
#include "text/text.h"
#include "toolkit/pieces.h"

namespace toolkit {
namespace {

// Placeholder fill of the replacement's buffer until its pieces are written into
// place; every byte of it is overwritten.
constexpr char kReplaceFill = '+';

// Copies `count` bytes from `from` to `to`. A piece of up to 16 bytes, with 16
// bytes readable at `from` and writable at `to`, goes as one fixed-size copy:
// the bytes beyond it are overwritten by the next piece, and this saves a call
// per piece where occurrences are dense.
constexpr std::size_t kShortCopy = 16;
void CopyPiece(char* to, const char* toEnd, const char* from, const char* fromEnd, std::size_t count) {
  if (count <= kShortCopy && static_cast<std::size_t>(toEnd - to) >= kShortCopy &&
      static_cast<std::size_t>(fromEnd - from) >= kShortCopy) {
    std::memcpy(to, from, kShortCopy);
  } else {
    std::memcpy(to, from, count);
  }
}

// Writes the replacement's result into a buffer of its final length: the gap
// before each occurrence, then the replacement, and at the end the tail.
class Replacer {
 public:
  Replacer(std::string_view text, std::size_t patternLength, std::string_view replacement, std::string& result)
      : text_(text), patternLength_(patternLength), replacementLength_(replacement.size()),
        out_(result.data()), outEnd_(result.data() + result.size()) {
    // A short replacement is read from a padded copy, so that it too can go as
    // one fixed-size copy.
    if (replacement.size() <= kShortCopy) {
      std::memcpy(padded_, replacement.data(), replacement.size());
      with_ = padded_;
      withEnd_ = padded_ + kShortCopy;
    } else {
      with_ = replacement.data();
      withEnd_ = with_ + replacement.size();
    }
  }

  // The occurrence at offset `at` (at or after GapStart()).
  void ReplaceAt(std::size_t at) {
    CopyPiece(out_, outEnd_, text_.data() + gapStart_, text_.data() + text_.size(), at - gapStart_);
    out_ += at - gapStart_;
    CopyPiece(out_, outEnd_, with_, withEnd_, replacementLength_);
    out_ += replacementLength_;
    gapStart_ = at + patternLength_;
  }

  // Where the next occurrence may begin: just after the last one replaced.
  std::size_t GapStart() const { return gapStart_; }

  // The tail; it ends exactly at the buffer's last byte.
  void Finish() { std::memcpy(out_, text_.data() + gapStart_, text_.size() - gapStart_); }

 private:
  std::string_view text_;
  std::size_t patternLength_;
  std::size_t replacementLength_;
  char* out_;
  char* outEnd_;
  const char* with_;
  const char* withEnd_;
  char padded_[kShortCopy] = {};
  std::size_t gapStart_ = 0;
};

// The counting scan of ReplaceAll remembers this many offsets at most (512 KiB
// on a 64-bit target), enough for every occurrence in most texts.
constexpr std::size_t kRemembered = std::size_t{1} << 16;

// Remembering is an optimisation: when its memory cannot be had, the copying
// simply scans again.
void Remember(std::vector<std::size_t>& remembered, std::size_t at) {
  detail::Guarded([&] { remembered.push_back(at); return true; }, false);
}

}  // namespace

std::string DeleteSpan(const std::string& text, int position, int count) {
  return detail::Guarded([&]() -> std::string {
    const std::int64_t start = position;
    return detail::Join({detail::LeftPart(text, start - 1), detail::RestFrom(text, start + count)});
  });
}

std::string InsertText(const std::string& text, const std::string& insertion, int position) {
  return detail::Guarded([&]() -> std::string {
    const std::int64_t start = position;
    return detail::Join({detail::LeftPart(text, start - 1), insertion, detail::RestFrom(text, start)});
  });
}

std::string OverwriteText(std::string& text, const std::string& source, int position) {
  text::OverwriteInPlace(text, source, position);
  return detail::Guarded([&]() -> std::string { return text; });
}

std::string ReplaceAll(const std::string& text, const std::string& pattern, const std::string& replacement) {
  return detail::Guarded([&]() -> std::string {
    const std::string_view searchable = detail::Searchable(text, pattern.size());
    // The counting scan remembers where the first occurrences are, so that the
    // copying needs to scan again only beyond them (or not at all).
    std::vector<std::size_t> remembered;
    std::size_t occurrences = 0;
    {
      text::Occurrences scan(searchable, pattern, text::Resume::kAfterMatch);
      std::size_t at;
      while (scan.Next(at)) {
        ++occurrences;
        if (remembered.size() < kRemembered) Remember(remembered, at);
      }
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

    Replacer replacer(text, pattern.size(), replacement, result);
    for (const std::size_t at : remembered) replacer.ReplaceAt(at);
    if (remembered.size() < occurrences) {
      text::Occurrences scan(searchable, pattern, text::Resume::kAfterMatch, replacer.GapStart());
      std::size_t at;
      while (scan.Next(at)) replacer.ReplaceAt(at);
    }
    replacer.Finish();
    return result;
  });
}

std::string ReverseText(const std::string& text) {
  return detail::Guarded([&]() -> std::string {
    return std::string(text.rbegin(), text.rend());
  });
}

}  // namespace toolkit
