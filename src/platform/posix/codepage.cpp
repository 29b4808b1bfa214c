// POSIX layer, code pages: stand-ins for MultiByteToWideChar and WideCharToMultiByte
// with dwFlags 0. They take Windows code-page numbers and give what the Windows calls
// give, as measured under Wine: single-byte code pages through tables, UTF-8 by hand,
// the multi-byte code pages through iconv.

#include <climits>
#include <cstring>

#include "platform/posix/codepage_detail.h"
#include "platform/table.h"

namespace platform::detail {
namespace {

using codepage::SingleByteTable;

constexpr int kUtf8 = 65001;

// The count of a zero-terminated input given as a negative count: its units up to
// and including the zero, as Windows takes a count of -1.
// -1 when that count does not fit an int.
int TerminatedLength(const char* source) {
  const std::size_t n = std::strlen(source);
  return n < static_cast<std::size_t>(INT_MAX) ? static_cast<int>(n) + 1 : -1;
}
int TerminatedLength(const char16_t* source) {
  std::size_t n = 0;
  while (source[n] != 0) ++n;
  return n < static_cast<std::size_t>(INT_MAX) ? static_cast<int>(n) + 1 : -1;
}

// The checks both calls share. False when the call fails whatever the code page.
template <typename Unit, typename Out>
bool Acceptable(const Unit* source, int& sourceCount, const Out* target, int targetCount) {
  if (source == nullptr || sourceCount == 0 || targetCount < 0) return false;
  if (target == nullptr && targetCount != 0) return false;
  if (sourceCount < 0) sourceCount = TerminatedLength(source);
  return sourceCount > 0;
}

// A single-byte code page writes one unit per byte and one byte per unit. When the
// target is too small Windows writes what fits and then fails; so does this.
template <typename In, typename Out, typename Map>
int OneForOne(const In* source, int sourceCount, Out* target, int targetCount, Map map) {
  if (targetCount == 0) return sourceCount;
  const int n = sourceCount <= targetCount ? sourceCount : targetCount;
  for (int i = 0; i < n; ++i) target[i] = map(source[i]);
  return sourceCount <= targetCount ? sourceCount : 0;
}

int MultiByteToWide(int codePage, const char* source, int sourceCount, char16_t* target, int targetCount) {
  if (!Acceptable(source, sourceCount, target, targetCount)) return 0;
  if (codePage == kUtf8) return codepage::DecodeUtf8(source, sourceCount, target, targetCount);
  if (const SingleByteTable* table = codepage::FindSingleByteTable(codePage)) {
    const char16_t* decode = table->decode;
    return OneForOne(source, sourceCount, target, targetCount,
                     [decode](char byte) { return decode[static_cast<unsigned char>(byte)]; });
  }
  return codepage::DecodeMultiByte(codePage, source, sourceCount, target, targetCount);
}

int WideToMultiByte(int codePage, const char16_t* source, int sourceCount, char* target, int targetCount) {
  if (!Acceptable(source, sourceCount, target, targetCount)) return 0;
  if (codePage == kUtf8) return codepage::EncodeUtf8(source, sourceCount, target, targetCount);
  if (const SingleByteTable* table = codepage::FindSingleByteTable(codePage)) {
    const unsigned char* encode = table->encode;
    return OneForOne(source, sourceCount, target, targetCount,
                     [encode](char16_t unit) { return static_cast<char>(encode[unit]); });
  }
  return codepage::EncodeMultiByte(codePage, source, sourceCount, target, targetCount);
}

}  // namespace

void FillCodePageCalls(Calls& calls) {
  calls.MultiByteToWide = MultiByteToWide;
  calls.WideToMultiByte = WideToMultiByte;
}

}  // namespace platform::detail
