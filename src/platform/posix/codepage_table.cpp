// POSIX layer, code pages: decoding and encoding from the generated tables
// (codepage_tables.cpp). The tables are constant data: nothing is built at first
// use, so there is no lock, no first-use cost and no failure to remember.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "platform/posix/codepage_blocks.h"
#include "platform/posix/codepage_detail.h"

namespace platform::detail::codepage {
namespace {

// A single-byte code page writes one unit per byte. When the target is too small
// Windows writes what fits and then fails; so does this.
int DecodeSingleByte(const TableCodePage& page, const unsigned char* source, int sourceCount, char16_t* target,
                     int targetCount) {
  if (targetCount == 0) return sourceCount;
  DecodeSingles(page, source, sourceCount <= targetCount ? sourceCount : targetCount, target);
  return sourceCount <= targetCount ? sourceCount : 0;
}

// Writes the units of the characters that begin at the bits of `starts` as it
// is given them, a load each.
struct CharacterWriter {
  const char16_t* pairs;
  char16_t* Write(const std::uint16_t* keys, std::uint64_t starts, char16_t* out) const {
    for (; starts != 0; starts &= starts - 1) *out++ = pairs[keys[std::countr_zero(starts)]];
    return out;
  }
  void Flush() const {}
};

void DecodeBlocksPortable(const TableCodePage& page, const unsigned char* source, int sourceCount, char16_t* target,
                          int targetCount, BlockProgress& progress) {
  const CharacterWriter writer{page.pairs};
  DecodeBlocksOf(page, source, sourceCount, target, targetCount, 0, progress, writer);
}

int DecodeMultiByte(Method method, const TableCodePage& page, const unsigned char* __restrict source,
                    int sourceCount, char16_t* __restrict target, int targetCount) {
  BlockProgress done;
  if (method == Method::kBlocksSsse3) DecodeBlocksSsse3(page, source, sourceCount, target, targetCount, done);
  if (method != Method::kOneAtATime) DecodeBlocksPortable(page, source, sourceCount, target, targetCount, done);
  long long written = done.written;
  for (int i = done.read; i < sourceCount; ++written) {
    if (targetCount != 0 && written == targetCount) return 0;  // what fits is written, and the call fails
    const bool pair = page.IsLead(source[i]) && i + 1 < sourceCount && source[i + 1] != 0;
    // A byte alone comes from `singles`, one page of memory for every code page,
    // not from its row of `pairs`: a first call on short text then touches a
    // page or two of the tables, not one for every few bytes it has.
    if (targetCount != 0) target[written] = pair ? page.Pair(source[i], source[i + 1]) : page.singles[source[i]];
    i += pair ? 2 : 1;
  }
  return written > INT32_MAX ? 0 : static_cast<int>(written);
}

// Units go kGroup at a time, so that the choice of lookup and the check for a
// unit the code page lacks are made once a group: in mixed text a choice made at
// every unit is mispredicted about once a word. A group with a unit the code
// page lacks is left to the unit-by-unit loop, which knows where to stop.

// The bytes of the units of a single-byte code page, group by group, as long as
// every unit of a group is in it; returns the count done.
int EncodeGroups(const TableCodePage& page, const char16_t* __restrict source, int count, char* __restrict target) {
  int i = 0;
  for (; i + kGroup <= count; i += kGroup) {
    char16_t any = 0;
    for (int k = 0; k < kGroup; ++k) any |= source[i + k];
    // The units of most alphabetic text: about three times the speed of the
    // two-level lookup (1251, x86-64).
    if (page.low != nullptr && any < kLowUnits) {
      for (int k = 0; k < kGroup; ++k) target[i + k] = page.low[source[i + k]];
      continue;
    }
    // The bytes gather in one register, not in an array: gcc 12 keeps the array
    // in a register and masks each byte into it, which makes these groups 5 to
    // 15% slower (874, 1250 to 1255, 10000 and 37, x86-64).
    unsigned beyond = 0;
    std::uint64_t bytes = 0;
    for (int k = 0; k < kGroup; ++k) {
      const unsigned value = page.Encoded(source[i + k]);
      beyond |= value;
      bytes |= std::uint64_t{value & 0xFFu} << (8 * k);
    }
    if ((beyond & 0xFF00u) != 0) break;  // only kFails has a high byte here
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(target + i, &bytes, sizeof bytes);
    } else {
      for (int k = 0; k < kGroup; ++k) target[i + k] = static_cast<char>(bytes >> (8 * k));
    }
  }
  return i;
}

// EncodeGroups, taking runs of kPlainRun plain units as their bytes first (about
// six times as fast as the groups).
int EncodePlainFirst(const TableCodePage& page, const char16_t* source, int count, char* target) {
  int i = 0;
  while (count - i >= kPlainRun) {
    if (AllBelow(source + i, page.plain)) {
      NarrowPlain(source + i, target + i);
      i += kPlainRun;
      continue;
    }
    const int done = EncodeGroups(page, source + i, kPlainRun, target + i);
    i += done;
    if (done < kPlainRun) return i;
  }
  return i + EncodeGroups(page, source + i, count - i, target + i);
}

// Looking for plain runs costs text where they are rare (708, 28599) about a
// sixth of its time, so each stretch of kStretch units looks for them only if it
// begins with one: text in Latin letters mostly does, other text seldom.
constexpr int kStretch = 4096;

int EncodeSingleBytes(const TableCodePage& page, const char16_t* source, int count, char* target) {
  int i = 0;
  while (i < count) {
    const int stretch = count - i < kStretch ? count - i : kStretch;
    const bool plain = stretch >= kPlainRun && AllBelow(source + i, page.plain);
    const int done = plain ? EncodePlainFirst(page, source + i, stretch, target + i)
                           : EncodeGroups(page, source + i, stretch, target + i);
    i += done;
    if (done < stretch) break;  // a unit the code page lacks, or the last units of all
  }
  return i;
}

// The bytes of the units of a two-byte code page, group by group, while a
// group's 16 bytes at most still fit and every unit of it is in the code page.
// Each unit writes its last byte at written + two and its first at written, so
// that one byte or two take the same path.
void EncodeTwoBytes(const TableCodePage& page, const char16_t* __restrict source, int sourceCount,
                    char* __restrict target, int targetCount, BlockProgress& progress) {
  int i = progress.read;
  long long written = progress.written;
  for (; i + kGroup <= sourceCount && targetCount - written >= 2 * kGroup; i += kGroup) {
    std::uint16_t values[kGroup];
    bool lacking = false;
    for (int k = 0; k < kGroup; ++k) values[k] = page.flat[source[i + k]];
    if (page.lacksUnits) {
      for (const std::uint16_t value : values) lacking |= value == kFails;
    }
    if (lacking) break;
    for (const std::uint16_t value : values) {
      // Arithmetic, not a comparison: gcc 12 turns `value > 0xFF ? ... : ...`
      // back into a branch on each unit.
      const unsigned two = (value + 0xFF00u) >> 16;
      target[written + two] = static_cast<char>(value);
      target[written] = static_cast<char>(value >> (two << 3));
      written += 1 + two;
    }
  }
  progress.read = i;
  progress.written = written;
}

}  // namespace

const TableCodePage* FindTableCodePage(int codePage) {
  const TableCodePage* end = kTableCodePages + kTableCodePageCount;
  const TableCodePage* found =
      std::lower_bound(kTableCodePages, end, codePage, [](const TableCodePage& p, int n) { return p.number < n; });
  return found != end && found->number == codePage ? found : nullptr;
}

#if !defined(LOTAN_SSSE3_BLOCKS)
// Builds without the SSSE3 file (other processors, other compilers) leave all
// to the portable blocks, which is what Runs tells its callers to expect.
void DecodeBlocksSsse3(const TableCodePage&, const unsigned char*, int, char16_t*, int, BlockProgress&) {}
void EncodeGroupsSsse3(const TableCodePage&, const char16_t*, int, char*, int, BlockProgress&) {}
#endif

bool Runs(Method method) {
  if (method != Method::kBlocksSsse3) return true;
#if defined(LOTAN_SSSE3_BLOCKS)
  // The processor's answers are read once by a constructor of the compiler's
  // runtime; this only reads them (and reads them itself if a host converts
  // before that constructor has run).
  __builtin_cpu_init();
  return __builtin_cpu_supports("ssse3") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("popcnt");
#else
  return false;
#endif
}

namespace {
Method Fastest() { return Runs(Method::kBlocksSsse3) ? Method::kBlocksSsse3 : Method::kBlocks; }
}  // namespace

int DecodeTableWith(Method method, const TableCodePage& page, const char* source, int sourceCount, char16_t* target,
                    int targetCount) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(source);
  if (page.pairs == nullptr) return DecodeSingleByte(page, bytes, sourceCount, target, targetCount);
  return DecodeMultiByte(method, page, bytes, sourceCount, target, targetCount);
}

int DecodeTable(const TableCodePage& page, const char* source, int sourceCount, char16_t* target, int targetCount) {
  // Inputs no longer than a block never reach the block decoders.
  const Method method = page.pairs == nullptr || sourceCount <= kBlock ? Method::kOneAtATime : Fastest();
  return DecodeTableWith(method, page, source, sourceCount, target, targetCount);
}

int EncodeTableWith(Method method, const TableCodePage& page, const char16_t* source, int sourceCount, char* target,
                    int targetCount) {
  long long written = 0;  // a size query may count past what an int holds
  if (targetCount == 0) {
    for (int i = 0; i < sourceCount; ++i) {
      const std::uint16_t value = page.Encoded(source[i]);
      written += value > 0xFF && value != kFails ? 2 : 1;
    }
    return written > INT32_MAX ? 0 : static_cast<int>(written);
  }
  int i = 0;
  if (method != Method::kOneAtATime && page.pairs == nullptr) {
    i = EncodeSingleBytes(page, source, sourceCount < targetCount ? sourceCount : targetCount, target);
    written = i;
  } else if (method != Method::kOneAtATime) {
    BlockProgress done;
    if (method == Method::kBlocksSsse3 && !page.lacksUnits) {
      EncodeGroupsSsse3(page, source, sourceCount, target, targetCount, done);
    }
    EncodeTwoBytes(page, source, sourceCount, target, targetCount, done);
    i = done.read;
    written = done.written;
  }
  for (; i < sourceCount; ++i) {
    const std::uint16_t value = page.Encoded(source[i]);
    // Measured under Wine (42): a unit the code page lacks ends the call, which
    // fails with the bytes before it written; a size query counts it as one byte.
    if (value == kFails) return 0;
    if (value > 0xFF) {
      // A two-byte character that does not fit whole is not begun.
      if (targetCount - written < 2) return 0;
      target[written++] = static_cast<char>(value >> 8);
    } else if (written == targetCount) {
      return 0;
    }
    target[written++] = static_cast<char>(value & 0xFF);
  }
  return static_cast<int>(written);
}

int EncodeTable(const TableCodePage& page, const char16_t* source, int sourceCount, char* target, int targetCount) {
  // The processor is asked only where the answer can matter.
  const Method method = page.pairs != nullptr && sourceCount >= 2 * kGroup ? Fastest() : Method::kBlocks;
  return EncodeTableWith(method, page, source, sourceCount, target, targetCount);
}

}  // namespace platform::detail::codepage
