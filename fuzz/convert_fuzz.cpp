// The conversion entry on random sources and code pages (real ones and any
// 32-bit value), with the scratch allocations made to fail at random: no crash
// or sanitizer report, not one byte written past 2 * n + 1 into the result, and
// the trace always the seven lines with their labels in order, their values
// consistent with each other and with the result.

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "input.h"
#include "library/convert.h"
#include "platform/platform.h"
#include "trace/writer.h"

namespace {

using fuzz::Check;

std::string captured;

bool CaptureWrite(platform::Handle, const void* bytes, std::uint32_t count, std::uint32_t* written) {
  captured.append(static_cast<const char*>(bytes), count);
  *written = count;
  return true;
}

bool NoConsole(platform::Handle, platform::ConsoleInfo*) { return false; }

// Which scratch allocations fail: bit 0 the first of the call, bit 1 the second.
unsigned failing = 0;
unsigned allocations = 0;

void* MaybeAllocate(std::size_t size) {
  const unsigned index = allocations++;
  if (index < 2 && (failing >> index & 1u) != 0) return nullptr;
  return platform::Native().Allocate(size);
}

constexpr int kCodePages[] = {0,    1,    2,    3,    42,   437,  737,  775,   850,   852,   855,   857,
                              860,  861,  862,  863,  864,  865,  866,  869,   874,   932,   936,   949,
                              950,  1200, 1250, 1251, 1252, 1253, 1254, 1255,  1256,  1257,  1258,  20127,
                              20866, 21866, 28591, 28592, 28595, 65000, 65001, -1};

int CodePage(fuzz::Input& input) {
  const int value = input.Integer();
  const unsigned pick = static_cast<unsigned>(value) % 64u;
  return pick < std::size(kCodePages) ? kCodePages[pick] : value;
}

// Reads one trace line: `label`, then the value, then "\r\n". The value's
// length is given for scratch lines; otherwise it runs to the first "\r\n".
std::string_view Line(std::string_view& trace, std::string_view label, std::size_t length = std::string_view::npos) {
  Check(trace.substr(0, label.size()) == label);
  trace.remove_prefix(label.size());
  if (length == std::string_view::npos) length = trace.find("\r\n");
  Check(length != std::string_view::npos && trace.size() >= length + 2);
  const std::string_view value = trace.substr(0, length);
  Check(trace.substr(length, 2) == "\r\n");
  trace.remove_prefix(length + 2);
  return value;
}

// A "% d" integer: a space or "-", then digits without leading zeros.
long long Integer(std::string_view value) {
  Check(value.size() >= 2 && (value[0] == ' ' || value[0] == '-'));
  Check(value[1] != '0' || value.size() == 2);
  long long number = 0;
  for (const char digit : value.substr(1)) {
    Check(digit >= '0' && digit <= '9');
    number = number * 10 + (digit - '0');
  }
  return value[0] == '-' ? -number : number;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input input(data, size);
  const int from = CodePage(input);
  const int to = CodePage(input);
  failing = static_cast<unsigned>(input.Integer()) % 8u;  // 4 to 7: both succeed
  if (failing > 3) failing = 0;
  const std::string source = input.Rest();
  const std::size_t n = std::strlen(source.c_str());

  // The result buffer has exactly the room the contract asks for, then guard
  // bytes; AddressSanitizer watches what lies beyond those.
  constexpr std::size_t kGuard = 32;
  constexpr char kGuardByte = '\x5A';
  std::vector<char> buffer(2 * n + 1 + kGuard, kGuardByte);

  captured.clear();
  allocations = 0;
  trace::detail::ResetWriterForTests();
  int returned = 0;
  {
    platform::Override write(&platform::Calls::WriteFile, &CaptureWrite);
    platform::Override console(&platform::Calls::GetConsoleInfo,
                                                                          &NoConsole);
    platform::Override allocate(&platform::Calls::Allocate, &MaybeAllocate);
    returned = library::Convert(source.c_str(), from, to, buffer.data());
  }
  Check(returned == 1);
  for (std::size_t i = 2 * n + 1; i < buffer.size(); ++i) Check(buffer[i] == kGuardByte);

  const bool decodeScratch = n > 0 && (failing & 1u) == 0;
  const bool encodeScratch = n > 0 && (failing & 2u) == 0;
  std::string_view trace = captured;
  Check(Integer(Line(trace, "nLen=")) == static_cast<long long>(n));
  Check(Line(trace, "strDst=", decodeScratch ? 2 * n : 0) == std::string(decodeScratch ? 2 * n : 0, ','));
  Check(Line(trace, "strRet=", encodeScratch ? 2 * n : 0) == std::string(encodeScratch ? 2 * n : 0, '-'));
  const long long decoded = Integer(Line(trace, "nRet="));
  Check(decoded >= 0 && decoded <= static_cast<long long>(n));
  if (!decodeScratch) Check(decoded == 0);
  const std::string_view encodedScratch = Line(trace, "strRet=", encodeScratch ? 2 * n : 0);
  const long long encoded = Integer(Line(trace, "nRet="));
  Check(encoded >= 0 && encoded <= static_cast<long long>(2 * n));
  if (decoded == 0 || !encodeScratch) Check(encoded == 0);
  // A conversion that succeeds leaves the bytes after the encoded ones as they
  // were filled (one that fails may have written part of its output).
  for (std::size_t i = static_cast<std::size_t>(encoded); encoded > 0 && i < encodedScratch.size(); ++i) {
    Check(encodedScratch[i] == '-');
  }

  // The result: the encoded bytes and a zero byte, read back up to its first zero.
  const auto count = static_cast<std::size_t>(encoded);
  Check(std::memcmp(buffer.data(), encodedScratch.data(), count) == 0 && buffer[count] == '\0');
  const std::string_view result(buffer.data());
  Check(Line(trace, "strOut=", result.size()) == result);
  Check(trace.empty());
  return 0;
}
