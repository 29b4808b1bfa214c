// The trace writer: puts trace items on the process's standard output, drawn into
// the console when standard output is one, written unchanged with WriteFile
// otherwise. Every piece reaches the system before the call returns; output that
// cannot be delivered is dropped silently.
//
// The first piece sets the writer up: it takes both standard handles for good,
// turns on processed input for a console standard input, and chooses console or
// file mode. Both routines may be called from several threads at once (the set-up
// still happens once); the pieces of concurrent calls may interleave.
#pragma once

#include <string_view>

namespace trace {

// Writes the text's bytes by length, zero bytes included (no piece when empty),
// then "\r\n" when newline is set.
//   TraceText("nLen=", false)  ->  the 5 bytes "nLen="
//   TraceText("", true)        ->  "\r\n"
void TraceText(std::string_view text, bool newline);

// Writes the value formatted with "% d", with "\r\n" in the same piece when
// newline is set.
//   TraceInteger(3, true)  ->  " 3\r\n";   TraceInteger(-1, false)  ->  "-1"
void TraceInteger(int value, bool newline);

// Brackets the trace lines of one operation on the calling thread. Pieces are
// still delivered at once, one by one; the span only lets the platform prepare
// once for all of them rather than before each piece. Optional: pieces outside a
// span are just as safe. Spans may nest.
//   { const trace::OutputSpan span; TraceText("nLen=", false); TraceInteger(3, true); }
class OutputSpan {
 public:
  OutputSpan() noexcept;
  ~OutputSpan();
  OutputSpan(const OutputSpan&) = delete;
  OutputSpan& operator=(const OutputSpan&) = delete;
};

}  // namespace trace
