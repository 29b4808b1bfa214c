// POSIX layer, code pages: stand-ins for MultiByteToWideChar and WideCharToMultiByte
// with dwFlags 0. They take Windows code-page numbers and give what the Windows calls
// give, as measured under Wine: every code page from generated tables, but UTF-7,
// UTF-8 and GB18030, which have code of their own; 0 to 3 follow the locale.

#include <climits>
#include <cstdint>
#include <cstring>

#include "platform/posix/codepage_detail.h"
#include "platform/posix/entries.h"

namespace platform::detail {
namespace {

constexpr int kUtf7 = 65000;
constexpr int kUtf8 = 65001;
constexpr int kGb18030 = 54936;

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

// The code page that 0 to 3 stand for, else the code page itself.
int Resolve(int codePage) { return codePage >= 0 && codePage <= 3 ? codepage::LocaleCodePage(codePage) : codePage; }

}  // namespace

int MultiByteToWide(int codePage, const char* source, int sourceCount, char16_t* target, int targetCount) {
  if (!Acceptable(source, sourceCount, target, targetCount)) return 0;
  switch (codePage = Resolve(codePage)) {
    case kUtf7:
      return codepage::DecodeUtf7(source, sourceCount, target, targetCount);
    case kUtf8:
      return codepage::DecodeUtf8(source, sourceCount, target, targetCount);
    case kGb18030:
      return codepage::DecodeGb18030(source, sourceCount, target, targetCount);
    default:
      break;
  }
  const codepage::TableCodePage* page = codepage::FindTableCodePage(codePage);
  return page != nullptr ? codepage::DecodeTable(*page, source, sourceCount, target, targetCount) : 0;
}

int WideToMultiByte(int codePage, const char16_t* source, int sourceCount, char* target, int targetCount) {
  if (!Acceptable(source, sourceCount, target, targetCount)) return 0;
  switch (codePage = Resolve(codePage)) {
    case kUtf7:
      return codepage::EncodeUtf7(source, sourceCount, target, targetCount);
    case kUtf8:
      return codepage::EncodeUtf8(source, sourceCount, target, targetCount);
    case kGb18030:
      return codepage::EncodeGb18030(source, sourceCount, target, targetCount);
    default:
      break;
  }
  const codepage::TableCodePage* page = codepage::FindTableCodePage(codePage);
  return page != nullptr ? codepage::EncodeTable(*page, source, sourceCount, target, targetCount) : 0;
}

}  // namespace platform::detail
