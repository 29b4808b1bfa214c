// The shared scanner: a block filter on the pattern's first and last bytes with a
// word-wise compare of the candidates, and a Knuth-Morris-Pratt automaton taking
// over once comparing turns expensive.

#include "text/search.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <new>

namespace text {
namespace {

// Comparisons may cost this many bytes, plus four per byte of text covered, before
// the scanner switches to the automaton: ordinary text never gets there, while a
// pattern that almost matches everywhere does within a few kilobytes.
constexpr std::size_t kCompareAllowance = 4096;
constexpr std::size_t kComparePerByte = 4;

// Number of equal leading bytes of a and b, at most `length`.
std::size_t CommonPrefix(const char* a, const char* b, std::size_t length) {
  std::size_t i = 0;
  while (i + sizeof(std::uint64_t) <= length) {
    std::uint64_t wa;
    std::uint64_t wb;
    std::memcpy(&wa, a + i, sizeof wa);
    std::memcpy(&wb, b + i, sizeof wb);
    if (wa != wb) {
      // Both targets are little-endian: the lowest differing bit is in the first differing byte.
      return i + static_cast<std::size_t>(__builtin_ctzll(wa ^ wb)) / 8;
    }
    i += sizeof(std::uint64_t);
  }
  while (i < length && a[i] == b[i]) ++i;
  return i;
}

// Sixteen starts filtered at once. The compiler's vector extension becomes SSE2 on
// x86-64 and plain word operations on a 32-bit target without it; no vector is
// passed or returned, since without SSE that would change the calling convention.
using Block = unsigned char __attribute__((vector_size(16)));
constexpr std::size_t kBlockBytes = sizeof(Block);

// The candidates among the 16 starts from `at`: bit k is set when byte at + k is
// `first` and byte at + k + lastOffset is `last`.
// Always inlined: called once per 16 bytes, a call would cost more than its work.
__attribute__((always_inline)) inline std::uint32_t CandidatesAt(const char* at, std::size_t lastOffset, char first,
                                                                 char last) {
  // A scalar operand is spread over every lane, in registers.
  const Block firsts = Block{} + static_cast<unsigned char>(first);
  const Block lasts = Block{} + static_cast<unsigned char>(last);
  Block here;
  Block there;
  std::memcpy(&here, at, sizeof here);
  std::memcpy(&there, at + lastOffset, sizeof there);
  const auto hits = (here == firsts) & (there == lasts);
  std::uint64_t halves[2];
  std::memcpy(halves, &hits, sizeof halves);
  // Each byte is 0xFF or 0; the multiply gathers one bit of each into the top byte.
  constexpr std::uint64_t kLowBits = 0x0101010101010101u;
  constexpr std::uint64_t kGather = 0x0102040810204080u;
  const auto gather = [&](std::uint64_t half) { return static_cast<std::uint32_t>(((half & kLowBits) * kGather) >> 56); };
  return gather(halves[0]) | gather(halves[1]) << 8;
}

}  // namespace

Occurrences::Occurrences(std::string_view text, std::string_view pattern, Resume resume, std::size_t from)
    : text_(text), pattern_(pattern), resume_(resume), position_(from) {}

namespace {
// Relaxed: a statistic read by tests between calls, never a synchronisation.
std::atomic<std::size_t> finishedComparisons{0};
}  // namespace

Occurrences::~Occurrences() { finishedComparisons.fetch_add(Comparisons(), std::memory_order_relaxed); }

std::size_t Occurrences::ComparisonsOfFinishedScans() { return finishedComparisons.load(std::memory_order_relaxed); }

bool Occurrences::Next(std::size_t& offset) {
  // A one-byte pattern: every candidate of the filter is an occurrence, and the
  // next one lies after this one whichever way the scan resumes.
  if (pending_ != 0 && pattern_.size() == 1) {
    offset = blockEnd_ - kBlockBytes + static_cast<std::size_t>(__builtin_ctz(pending_));
    pending_ &= pending_ - 1;
    position_ = offset + 1;
    return true;
  }
  if (pattern_.empty() || pattern_.size() > text_.size()) return false;
  return useAutomaton_ ? NextByAutomaton(offset) : NextByComparison(offset);
}

std::size_t Occurrences::Count() {
  std::size_t count = 0;
  if (pattern_.size() == 1 && !useAutomaton_ && text_.size() >= kBlockBytes) {
    // Every candidate of the filter is an occurrence: count whole blocks.
    count += static_cast<std::size_t>(__builtin_popcount(pending_));
    pending_ = 0;
    if (position_ < blockEnd_) position_ = blockEnd_;
    const std::size_t lastBlock = text_.size() - kBlockBytes;
    for (; position_ <= lastBlock; position_ += kBlockBytes) {
      count += static_cast<std::size_t>(__builtin_popcount(CandidatesAt(text_.data() + position_, 0, pattern_[0], pattern_[0])));
    }
    blockEnd_ = position_;
  }
  std::size_t at;
  while (Next(at)) ++count;
  return count;
}

bool Occurrences::NextByComparison(std::size_t& offset) {
  const std::size_t m = pattern_.size();
  const std::size_t lastStart = text_.size() - m;
  const char* const base = text_.data();
  const std::size_t between = m > 2 ? m - 2 : 0;  // bytes between the first and the last
  for (;;) {
    // The candidates of the current block, in order. A dense pattern (one byte
    // that occurs every few bytes) is found here without filtering again.
    while (pending_ != 0) {
      const std::size_t at = blockEnd_ - kBlockBytes + static_cast<std::size_t>(__builtin_ctz(pending_));
      pending_ &= pending_ - 1;
      if (at < position_) continue;  // passed over by resuming after a match
      if (between != 0) {
        if (compared_ > kCompareAllowance + kComparePerByte * scanned_ && BuildAutomaton()) {
          useAutomaton_ = true;
          state_ = 0;
          position_ = at;
          return NextByAutomaton(offset);
        }
        const std::size_t equal = CommonPrefix(base + at + 1, pattern_.data() + 1, between);
        compared_ += equal + 1;
        if (equal != between) continue;
      }
      offset = at;
      position_ = resume_ == Resume::kOverlapping ? at + 1 : at + m;
      return true;
    }
    if (position_ < blockEnd_) position_ = blockEnd_;
    if (position_ > lastStart || lastStart - position_ < kBlockBytes - 1) break;  // fewer than 16 starts left
    blockEnd_ = position_ + kBlockBytes;
    pending_ = CandidatesAt(base + position_, m - 1, pattern_[0], pattern_[m - 1]);
    scanned_ += kBlockBytes;
  }
  return NextInTail(offset);
}

// The last few starts, one memchr and compare each.
bool Occurrences::NextInTail(std::size_t& offset) {
  const std::size_t m = pattern_.size();
  const std::size_t lastStart = text_.size() - m;
  const char* const base = text_.data();
  while (position_ <= lastStart) {
    const void* hit = std::memchr(base + position_, pattern_[0], lastStart - position_ + 1);
    if (hit == nullptr) break;
    const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
    const std::size_t equal = CommonPrefix(base + at + 1, pattern_.data() + 1, m - 1);
    tailCompared_ += equal + 1;
    if (equal == m - 1) {
      offset = at;
      position_ = resume_ == Resume::kOverlapping ? at + 1 : at + m;
      return true;
    }
    position_ = at + 1;
  }
  position_ = text_.size();
  return false;
}

bool Occurrences::BuildAutomaton() {
  const std::size_t m = pattern_.size();
  failure_.reset(new (std::nothrow) std::size_t[m]);
  if (!failure_) {
    // Without the table the comparison loop stays correct; stop asking for it.
    compared_ = 0;
    scanned_ = static_cast<std::size_t>(-1) / (2 * kComparePerByte);
    return false;
  }
  // failure_[j]: length of the longest proper border of pattern_[0..j].
  failure_[0] = 0;
  std::size_t k = 0;
  for (std::size_t j = 1; j < m; ++j) {
    while (k > 0 && pattern_[j] != pattern_[k]) k = failure_[k - 1];
    if (pattern_[j] == pattern_[k]) ++k;
    failure_[j] = k;
  }
  return true;
}

bool Occurrences::NextByAutomaton(std::size_t& offset) {
  const std::size_t m = pattern_.size();
  const std::size_t n = text_.size();
  const char* const base = text_.data();
  while (position_ < n) {
    if (n - position_ < m - state_) {
      position_ = n;
      return false;
    }
    if (state_ == 0) {
      const void* hit = std::memchr(base + position_, pattern_[0], n - position_);
      if (hit == nullptr) {
        position_ = n;
        return false;
      }
      position_ = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
    }
    const char c = base[position_];
    ++automatonSteps_;
    while (state_ > 0 && c != pattern_[state_]) {
      state_ = failure_[state_ - 1];
      ++automatonSteps_;
    }
    if (c == pattern_[state_]) ++state_;
    ++position_;
    if (state_ == m) {
      offset = position_ - m;
      state_ = resume_ == Resume::kOverlapping ? failure_[m - 1] : 0;
      return true;
    }
  }
  return false;
}

std::size_t FindFrom(std::string_view text, std::string_view pattern, std::size_t from) {
  if (from > text.size()) return std::string_view::npos;
  Occurrences scan(text, pattern, Resume::kAfterMatch, from);
  std::size_t at;
  return scan.Next(at) ? at : std::string_view::npos;
}

}  // namespace text
