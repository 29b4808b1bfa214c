// The conversion entry: two scratch strings from the runtime library's heap, one
// decode and one encode call, the copy into the caller's buffer and the seven
// trace lines, in that order, on every path.

#include "library/convert.h"

#include <cxxabi.h>

#include <climits>
#include <cstring>
#include <string_view>

#include "platform/platform.h"
#include "trace/trace.h"

namespace library {
namespace {

// Fill bytes of the two scratch strings.
constexpr char kDecodedFill = ',';
constexpr char kEncodedFill = '-';

// A scratch string of `size` bytes of one fill byte, taken from the runtime
// library's heap and given back when the call ends. A size of 0 or less, or an
// allocation that fails, leaves it empty with no storage: the platform call that
// uses it then gets a null buffer and fails, and the result is empty.
class ScratchString {
 public:
  ScratchString(int size, char fill) noexcept {
    if (size <= 0) return;
    storage_ = static_cast<char*>(platform::System().Allocate(static_cast<std::size_t>(size)));
    if (storage_ == nullptr) return;
    std::memset(storage_, fill, static_cast<std::size_t>(size));
    size_ = size;
  }
  ~ScratchString() {
    if (storage_ != nullptr) platform::System().Release(storage_);
  }
  ScratchString(const ScratchString&) = delete;
  ScratchString& operator=(const ScratchString&) = delete;

  char* Data() const noexcept { return storage_; }
  int Size() const noexcept { return size_; }
  std::string_view View() const noexcept {
    return {storage_ != nullptr ? storage_ : "", static_cast<std::size_t>(size_)};
  }

 private:
  char* storage_ = nullptr;
  int size_ = 0;
};

void TraceLine(std::string_view label, std::string_view value) {
  trace::TraceText(label, false);
  trace::TraceText(value, true);
}

void TraceLine(std::string_view label, int value) {
  trace::TraceText(label, false);
  trace::TraceInteger(value, true);
}

int Run(const char* strIn, std::size_t length, int nFromCP, int nToCP, char* strOut) {
  // All seven lines under one span: the platform prepares the output once per call.
  const trace::OutputSpan span;
  const bool fits = length <= kLongestSource;
  const int nLen = length <= static_cast<std::size_t>(INT_MAX) ? static_cast<int>(length) : INT_MAX;
  TraceLine("nLen=", nLen);

  // An oversized source gets no scratch storage at all: its doubled length does
  // not fit the count, so both strings stay empty and no platform call is made.
  const int scratchSize = fits ? 2 * nLen : 0;
  const ScratchString strDst(scratchSize, kDecodedFill);
  TraceLine("strDst=", strDst.View());
  const ScratchString strRet(scratchSize, kEncodedFill);
  TraceLine("strRet=", strRet.View());

  platform::Calls& system = platform::System();
  int decoded = 0;
  int encoded = 0;
  if (fits) {
    // strDst holds nLen UTF-16 units; a failed allocation hands over a null
    // buffer with the count unchanged, which the platform refuses.
    auto* wide = reinterpret_cast<char16_t*>(strDst.Data());
    decoded = system.MultiByteToWide(nFromCP, strIn, nLen, wide, nLen);
    TraceLine("nRet=", decoded);
    encoded = system.WideToMultiByte(nToCP, wide, decoded, strRet.Data(), 2 * nLen);
  } else {
    TraceLine("nRet=", decoded);
  }
  TraceLine("strRet=", strRet.View());
  TraceLine("nRet=", encoded);

  // The source has been read in full by now, so strOut may be strIn itself.
  if (strOut != nullptr) {
    const int count = encoded > 0 && encoded <= strRet.Size() ? encoded : 0;
    if (count > 0) std::memcpy(strOut, strRet.Data(), static_cast<std::size_t>(count));
    strOut[count] = '\0';
  }
  TraceLine("strOut=", strOut != nullptr ? std::string_view(strOut) : std::string_view());
  return 1;
}

}  // namespace

// The unwinding of a cancelled thread carries no exception object, so its catch
// binds a null reference; UndefinedBehaviorSanitizer would call that a fault.
__attribute__((no_sanitize("null"))) int ConvertMeasured(const char* strIn, std::size_t length, int nFromCP,
                                                         int nToCP, char* strOut) {
  try {
    return Run(strIn, length, nFromCP, nToCP, strOut);
  } catch (abi::__forced_unwind&) {
    // A host thread cancelled or ending itself inside the call (a trace write
    // is a cancellation point) unwinds through here; the runtime aborts the
    // process if that unwinding stops, so it goes on to the host. The call's
    // scratch strings and output span have been undone on the way.
    throw;
  } catch (...) {
    // Nothing below throws by design; this only keeps a fault from crossing the
    // export, where the host could not catch it.
    return 1;
  }
}

int Convert(const char* strIn, int nFromCP, int nToCP, char* strOut) {
  const std::size_t length = strIn != nullptr ? std::strlen(strIn) : 0;
  return ConvertMeasured(strIn, length, nFromCP, nToCP, strOut);
}

}  // namespace library
