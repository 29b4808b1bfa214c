// For the in-process tests of the library: collects every piece the trace writer
// hands to WriteFile, with the writer set up afresh in file mode, and puts the
// platform table back afterwards.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "trace/writer.h"

namespace library_test {

inline std::string& CapturedTrace() {
  static std::string bytes;
  return bytes;
}

inline bool CaptureWrite(platform::Handle, const void* bytes, std::uint32_t count, std::uint32_t* written) {
  CapturedTrace().append(static_cast<const char*>(bytes), count);
  *written = count;
  return true;
}

inline bool NoConsole(platform::Handle, platform::ConsoleInfo*) { return false; }

class TraceCapture {
 public:
  TraceCapture() {
    CapturedTrace().clear();
    trace::detail::ResetWriterForTests();
  }
  ~TraceCapture() { trace::detail::ResetWriterForTests(); }
  TraceCapture(const TraceCapture&) = delete;
  TraceCapture& operator=(const TraceCapture&) = delete;

  const std::string& Bytes() const { return CapturedTrace(); }

 private:
  platform::OverrideOf<&platform::Calls::WriteFile> write_{&CaptureWrite};
  platform::OverrideOf<&platform::Calls::GetConsoleInfo> console_{&NoConsole};
};

}  // namespace library_test
