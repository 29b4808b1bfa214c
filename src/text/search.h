// Substring search shared by every routine that looks for a pattern: one scanner
// that is as fast as memchr on ordinary text and stays linear on adversarial input
// (a long pattern that almost matches everywhere, or one that overlaps itself).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace text {

// How the scan goes on after an occurrence at offset p of a pattern of length m.
enum class Resume {
  kOverlapping,  // at p + 1: "aa" occurs 3 times in "aaaa"
  kAfterMatch,   // at p + m: "aa" occurs 2 times in "aaaa"
};

// Walks the occurrences of one pattern in one text, left to right, in time linear
// in the length of the text plus the length of the pattern, however many
// occurrences there are. Offsets count from 0. Both views must outlive the scanner.
//
//   text::Occurrences scan("abcabc", "bc", text::Resume::kOverlapping);
//   std::size_t at;
//   while (scan.Next(at)) { ... }   // at == 1, then at == 4
//
// An empty pattern has no occurrence. The scanner starts by filtering 16 starts at
// a time on the pattern's first and last bytes and comparing the candidates' other
// bytes; when comparisons begin to cost more than the text they cover, it switches
// to a Knuth-Morris-Pratt automaton from the current offset, so the whole scan is
// O(text + pattern). If the automaton's table cannot be allocated, the scan stays
// correct and merely slower.
class Occurrences {
 public:
  Occurrences(std::string_view text, std::string_view pattern, Resume resume, std::size_t from = 0);
  ~Occurrences();
  Occurrences(const Occurrences&) = delete;
  Occurrences& operator=(const Occurrences&) = delete;

  // Stores the offset of the next occurrence in `offset` and returns true, or
  // returns false when there are no more.
  bool Next(std::size_t& offset);

  // The number of occurrences that Next would still deliver; afterwards there
  // are none left. One-byte patterns are counted a block at a time.
  //   text::Occurrences("a,b,,c", ",", text::Resume::kAfterMatch).Count() == 3
  std::size_t Count();

  // The byte comparisons made so far beyond the block filter's own pass: those
  // of the filter's candidates, of the last few starts and of the automaton,
  // failure steps included. What stays below a small multiple of the text's
  // length on any input is what makes the scan linear.
  //   a 16 MiB run of 'a' against 999 'a' then 'b': under 3 comparisons a byte
  std::size_t Comparisons() const { return compared_ + tailCompared_ + automatonSteps_; }

  // The Comparisons of every scanner destroyed so far in the process, for
  // measuring routines that keep their scanners to themselves: the difference
  // across a call is what the call compared (when no other thread scans).
  //   before = ComparisonsOfFinishedScans(); LastPosition(...);
  //   ComparisonsOfFinishedScans() - before < 3 * text length
  static std::size_t ComparisonsOfFinishedScans();

 private:
  bool NextByComparison(std::size_t& offset);
  bool NextInTail(std::size_t& offset);
  bool NextByAutomaton(std::size_t& offset);
  bool BuildAutomaton();

  std::string_view text_;
  std::string_view pattern_;
  Resume resume_;
  std::size_t position_;        // next offset of the text to examine
  std::size_t compared_ = 0;    // bytes compared by the filter's candidates so far
  std::size_t scanned_ = 0;     // text covered by the filter so far
  std::size_t blockEnd_ = 0;    // filter: one past the last start of the block last filtered
  std::uint32_t pending_ = 0;   // filter: its candidates not yet compared, one bit per start
  bool useAutomaton_ = false;
  std::size_t state_ = 0;       // automaton: length of the pattern prefix matched
  std::size_t tailCompared_ = 0;    // bytes compared at the last few starts
  std::size_t automatonSteps_ = 0;  // automaton: bytes read and failure steps taken
  std::unique_ptr<std::size_t[]> failure_;
};

// The offset of the first occurrence of `pattern` at or after `from`, or npos.
// An empty pattern gives npos.
//   FindFrom("abcabc", "c", 3) == 5
std::size_t FindFrom(std::string_view text, std::string_view pattern, std::size_t from);

}  // namespace text
