// POSIX layer, code pages: the multi-byte code pages (932, 936, 949, 950, 54936)
// through glibc's iconv. Descriptors are kept per thread, so threads converting at
// once never share one, and each thread opens a code page's descriptor only once.

#include <errno.h>
#include <iconv.h>

#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstring>

#include "platform/posix/codepage_detail.h"

namespace platform::detail::codepage {
namespace {

struct MultiByteCodePage {
  int number;
  const char* iconvName;
  // The unit Windows decodes an undefined or cut-off sequence to (measured under
  // Wine: 932 gives U+30FB KATAKANA MIDDLE DOT, the others '?').
  char16_t undefinedUnit;
  // Lead bytes of two-byte sequences, in at most two ranges: an undefined
  // sequence costs both bytes.
  unsigned char leadFirst;
  unsigned char leadLast;
  unsigned char leadFirst2;
  unsigned char leadLast2;
  bool IsLead(unsigned char byte) const {
    return (byte >= leadFirst && byte <= leadLast) || (byte >= leadFirst2 && byte <= leadLast2);
  }
};

constexpr std::array<MultiByteCodePage, 5> kCodePages = {{
    {932, "CP932", 0x30FB, 0x81, 0x9F, 0xE0, 0xFC},  // A1-DF are single-byte katakana
    {936, "CP936", 0x003F, 0x81, 0xFE, 0x81, 0xFE},
    {949, "CP949", 0x003F, 0x81, 0xFE, 0x81, 0xFE},
    {950, "CP950", 0x003F, 0x81, 0xFE, 0x81, 0xFE},
    {54936, "GB18030", 0x003F, 0x81, 0xFE, 0x81, 0xFE},
}};

// Single bytes glibc leaves undefined and Windows decodes (measured under Wine).
struct SingleByteFix {
  int codePage;
  unsigned char byte;
  char16_t unit;
};
constexpr SingleByteFix kSingleByteFixes[] = {
    {932, 0x80, 0x0080}, {932, 0xA0, 0xF8F0}, {932, 0xFD, 0xF8F1}, {932, 0xFE, 0xF8F2},
    {932, 0xFF, 0xF8F3}, {936, 0xFF, 0xF8F5}, {949, 0x80, 0x0080}, {949, 0xFF, 0xF8F7},
    {950, 0xFF, 0xF8F8},
};

constexpr const char* kUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
const iconv_t kClosed = reinterpret_cast<iconv_t>(-1);

// This thread's descriptors, opened at first use and closed when the thread ends.
struct Descriptors {
  std::array<iconv_t, kCodePages.size()> decoders;
  std::array<iconv_t, kCodePages.size()> encoders;
  Descriptors() {
    decoders.fill(kClosed);
    encoders.fill(kClosed);
  }
  ~Descriptors() {
    for (iconv_t cd : decoders)
      if (cd != kClosed) iconv_close(cd);
    for (iconv_t cd : encoders)
      if (cd != kClosed) iconv_close(cd);
  }
  Descriptors(const Descriptors&) = delete;
  Descriptors& operator=(const Descriptors&) = delete;
};
thread_local Descriptors tDescriptors;

int IndexOf(int codePage) {
  for (std::size_t i = 0; i < kCodePages.size(); ++i)
    if (kCodePages[i].number == codePage) return static_cast<int>(i);
  return -1;
}

iconv_t Descriptor(std::array<iconv_t, kCodePages.size()>& slots, int index, const char* to, const char* from) {
  iconv_t& cd = slots[static_cast<std::size_t>(index)];
  if (cd == kClosed) cd = iconv_open(to, from);
  if (cd != kClosed) iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
  return cd;
}

// Where converted bytes go: straight into the caller's target, or, for a size
// query, through a scratch buffer that is only counted.
class Sink {
 public:
  Sink(char* target, std::size_t capacity) : target_(target), capacity_(capacity), counting_(capacity == 0) {}
  char* Position() { return counting_ ? scratch_ : target_ + used_; }
  std::size_t Room() const { return counting_ ? sizeof scratch_ : capacity_ - used_; }
  void Advance(std::size_t bytes) { used_ += bytes; }
  std::size_t Used() const { return used_; }
  bool Counting() const { return counting_; }
  // Appends bytes that iconv did not produce (a stand-in character).
  bool Put(const void* bytes, std::size_t count) {
    if (!counting_) {
      if (count > capacity_ - used_) return false;
      std::memcpy(target_ + used_, bytes, count);
    }
    used_ += count;
    return true;
  }

 private:
  char* target_;
  std::size_t capacity_;
  bool counting_;
  std::size_t used_ = 0;
  char scratch_[1024];
};

// Runs iconv over the whole input. `onInvalid` handles an input position iconv
// cannot convert (writing a stand-in and saying how many input bytes it stands
// for); returns false when the output does not fit.
template <typename OnInvalid>
bool Run(iconv_t cd, const char* input, std::size_t inputBytes, Sink& sink, OnInvalid onInvalid) {
  char* in = const_cast<char*>(input);  // iconv's prototype; it never writes the input
  std::size_t inLeft = inputBytes;
  auto step = [&](char** from, std::size_t* fromLeft) {
    char* out = sink.Position();
    std::size_t outLeft = sink.Room();
    const std::size_t room = outLeft;
    const std::size_t r = iconv(cd, from, fromLeft, &out, &outLeft);
    const int error = r == static_cast<std::size_t>(-1) ? errno : 0;
    sink.Advance(room - outLeft);
    return error;
  };
  while (inLeft > 0) {
    const int error = step(&in, &inLeft);
    if (error == 0) continue;
    if (error == E2BIG) {
      if (!sink.Counting()) return false;
      continue;
    }
    if (error != EILSEQ && error != EINVAL) return false;
    std::size_t skip = 0;
    if (!onInvalid(in, inLeft, error == EINVAL, sink, &skip)) return false;
    if (skip > inLeft) skip = inLeft;
    if (skip == 0) break;
    in += skip;
    inLeft -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  // Ends any shift state (none of these code pages keeps one, but iconv may).
  while (true) {
    const int error = step(nullptr, nullptr);
    if (error == 0) return true;
    if (error != E2BIG || !sink.Counting()) return false;
  }
}

// The unit Windows gives an undefined two-byte sequence: a user-defined one from
// the private-use runs, else `fallback`.
char16_t PairUnit(int codePage, unsigned char lead, unsigned char trail, char16_t fallback) {
  const PrivateUseRuns runs = PrivateUseRunsOf(codePage);
  for (std::size_t i = 0; i < runs.count; ++i) {
    const PrivateUseRun& run = runs.runs[i];
    if (run.lead == lead && trail >= run.trail && trail - run.trail < run.count) {
      return static_cast<char16_t>(run.unit + (trail - run.trail));
    }
  }
  return fallback;
}

// The bytes Windows writes for a unit glibc cannot: its user-defined sequence or
// undefined single byte, else its best-fit choice, else '?'. Returns the number of bytes (1 or 2).
int UnitBytes(int codePage, char16_t unit, unsigned char (&bytes)[2]) {
  const PrivateUseRuns runs = PrivateUseRunsOf(codePage);
  for (std::size_t i = 0; i < runs.count; ++i) {
    const PrivateUseRun& run = runs.runs[i];
    if (unit >= run.unit && unit - run.unit < run.count) {
      bytes[0] = run.lead;
      bytes[1] = static_cast<unsigned char>(run.trail + (unit - run.unit));
      return 2;
    }
  }
  for (const SingleByteFix& fix : kSingleByteFixes) {
    if (fix.codePage == codePage && fix.unit == unit) {
      bytes[0] = fix.byte;
      return 1;
    }
  }
  const BestFitList bestFit = MultiByteBestFit(codePage);
  const std::uint32_t key = std::uint32_t{unit} << 16;
  const std::uint32_t* end = bestFit.entries + bestFit.count;
  const std::uint32_t* found = std::lower_bound(bestFit.entries, end, key);
  if (found != end && (*found >> 16) == unit) {
    const std::uint32_t value = *found & 0xFFFF;
    if (value < 0x100) {
      bytes[0] = static_cast<unsigned char>(value);
      return 1;
    }
    bytes[0] = static_cast<unsigned char>(value >> 8);
    bytes[1] = static_cast<unsigned char>(value & 0xFF);
    return 2;
  }
  bytes[0] = kDefaultByte;
  return 1;
}

int Count(std::size_t bytes, std::size_t unit) {
  const std::size_t units = bytes / unit;
  return units > static_cast<std::size_t>(INT_MAX) ? 0 : static_cast<int>(units);
}

}  // namespace

bool IsMultiByte(int codePage) { return IndexOf(codePage) >= 0; }

int DecodeMultiByte(int codePage, const char* source, int sourceCount, char16_t* target, int targetCount) {
  const int index = IndexOf(codePage);
  if (index < 0) return 0;
  const MultiByteCodePage& page = kCodePages[static_cast<std::size_t>(index)];
  iconv_t cd = Descriptor(tDescriptors.decoders, index, kUtf16, page.iconvName);
  if (cd == kClosed) return 0;
  Sink sink(reinterpret_cast<char*>(target), static_cast<std::size_t>(targetCount) * sizeof(char16_t));
  auto onInvalid = [&](const char* at, std::size_t left, bool cutOff, Sink& out, std::size_t* skip) {
    if (left == 0) {  // iconv took the bytes and still refused them
      *skip = 0;
      return out.Put(&page.undefinedUnit, sizeof page.undefinedUnit);
    }
    const auto lead = static_cast<unsigned char>(at[0]);
    const bool isLead = page.IsLead(lead);
    char16_t unit = page.undefinedUnit;
    if (cutOff) {
      *skip = left;  // a sequence cut off by the end is one stand-in for all that is left
    } else if (isLead && left >= 2 && at[1] != '\0') {
      // Measured under Wine: an undefined pair is one unit, 932 "82 41" is one U+30FB.
      *skip = 2;
      unit = PairUnit(page.number, lead, static_cast<unsigned char>(at[1]), unit);
    } else {
      // A lead byte before a zero byte stands alone (the zero is read again), and
      // a single byte the code page leaves undefined has a unit of its own.
      *skip = 1;
      for (const SingleByteFix& fix : kSingleByteFixes) {
        if (fix.codePage == page.number && fix.byte == lead && !isLead) unit = fix.unit;
      }
    }
    return out.Put(&unit, sizeof unit);
  };
  if (!Run(cd, source, static_cast<std::size_t>(sourceCount), sink, onInvalid)) return 0;
  return Count(sink.Used(), sizeof(char16_t));
}

int EncodeMultiByte(int codePage, const char16_t* source, int sourceCount, char* target, int targetCount) {
  const int index = IndexOf(codePage);
  if (index < 0) return 0;
  const MultiByteCodePage& page = kCodePages[static_cast<std::size_t>(index)];
  iconv_t cd = Descriptor(tDescriptors.encoders, index, page.iconvName, kUtf16);
  if (cd == kClosed) return 0;
  Sink sink(target, static_cast<std::size_t>(targetCount));
  auto onInvalid = [&](const char* at, std::size_t left, bool, Sink& out, std::size_t* skip) {
    // A unit the code page lacks goes out as Windows writes it; a lone half of a
    // pair is one '?'.
    *skip = sizeof(char16_t);
    if (left < sizeof(char16_t)) return out.Put(&kDefaultByte, 1);
    char16_t unit;
    std::memcpy(&unit, at, sizeof unit);
    unsigned char bytes[2];
    return out.Put(bytes, static_cast<std::size_t>(UnitBytes(page.number, unit, bytes)));
  };
  if (!Run(cd, reinterpret_cast<const char*>(source), static_cast<std::size_t>(sourceCount) * sizeof(char16_t), sink,
           onInvalid)) {
    return 0;
  }
  return Count(sink.Used(), 1);
}

}  // namespace platform::detail::codepage
