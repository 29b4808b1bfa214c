// The Linux layer's table code pages on random input (zero bytes and lead bytes
// anywhere; units of every kind): in two-byte code pages, decoding and encoding
// in blocks, portably and, where the processor has them, with SSSE3, give what one
// character or unit at a time gives, the count and every unit or byte of the
// target, for targets large enough, too small and of size 0, and nothing is
// written past the target; in single-byte ones, each byte decodes to its unit of
// the table, runs of plain bytes included.

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "input.h"
#include "platform/posix/codepage_detail.h"

namespace {

namespace codepage = platform::detail::codepage;
using codepage::Method;
using fuzz::Check;

// The table code pages with pairs, picked by `value`.
const codepage::TableCodePage& TwoBytePage(int value) {
  std::vector<const codepage::TableCodePage*> pages;
  for (std::size_t i = 0; i < codepage::kTableCodePageCount; ++i) {
    if (codepage::kTableCodePages[i].pairs != nullptr) pages.push_back(&codepage::kTableCodePages[i]);
  }
  return *pages[static_cast<unsigned>(value) % pages.size()];
}

constexpr std::size_t kGuard = 16;

template <typename Out>
struct Result {
  int count;
  std::basic_string<Out> target;  // the target and the guard after it
};

// `call(method, target, targetCount)` on a target filled with a marker, checked
// for writes past its end.
template <typename Out, typename Call>
Result<Out> Run(Method method, int targetCount, Call call) {
  const Out marker = static_cast<Out>(0x2C2C);
  Result<Out> result{0, std::basic_string<Out>(static_cast<std::size_t>(targetCount) + kGuard, marker)};
  result.count = call(method, targetCount == 0 ? nullptr : result.target.data(), targetCount);
  for (std::size_t i = static_cast<std::size_t>(targetCount); i < result.target.size(); ++i) {
    Check(result.target[i] == marker);
  }
  return result;
}

// Every method against one at a time, for a target of each size in `targets`.
template <typename Out, typename Call>
void Agree(const int (&targets)[3], Call call) {
  for (const int targetCount : targets) {
    const Result<Out> expected = Run<Out>(Method::kOneAtATime, targetCount, call);
    for (const Method method : {Method::kBlocks, Method::kBlocksSsse3}) {
      if (!codepage::Runs(method)) continue;
      const Result<Out> got = Run<Out>(method, targetCount, call);
      Check(got.count == expected.count);
      Check(got.target == expected.target);
    }
  }
}

// Every byte of `source` decoded in one call is the unit the table gives it.
void CheckSingleBytes(int value, const std::string& source) {
  const codepage::TableCodePage& page = codepage::kTableCodePages[static_cast<unsigned>(value) %
                                                                  codepage::kTableCodePageCount];
  if (page.pairs != nullptr) return;
  std::u16string units(source.size(), u'\0');
  const int n = static_cast<int>(source.size());
  Check(codepage::DecodeTable(page, source.data(), n, units.data(), n) == n);
  for (std::size_t i = 0; i < source.size(); ++i) {
    Check(units[i] == page.singles[static_cast<unsigned char>(source[i])]);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input input(data, size);
  const int pick = input.Integer();
  const codepage::TableCodePage& page = TwoBytePage(pick);
  const int room = input.Integer();
  const std::string source = input.Rest();
  if (source.empty()) return 0;
  const int n = static_cast<int>(source.size());
  CheckSingleBytes(pick, source);

  // A unit per byte always fits; any other room is as likely to be too small.
  const int decodeTargets[] = {0, n, room < 0 ? 1 : 1 + room % n};
  Agree<char16_t>(decodeTargets, [&](Method method, char16_t* target, int targetCount) {
    return codepage::DecodeTableWith(method, page, source.data(), n, target, targetCount);
  });

  // The units of the bytes (mostly characters of the code page, one byte or
  // two), then the bytes read as units (mostly units it lacks).
  std::u16string units(source.size(), u'\0');
  units.resize(static_cast<std::size_t>(codepage::DecodeTableWith(Method::kOneAtATime, page, source.data(), n,
                                                                  units.data(), n)));
  std::u16string raw(source.size() / 2, u'\0');
  std::memcpy(raw.data(), source.data(), 2 * raw.size());
  for (const std::u16string& text : {units, raw}) {
    if (text.empty()) continue;
    const int count = static_cast<int>(text.size());
    const int encodeTargets[] = {0, 2 * count, room < 0 ? 1 : 1 + room % (2 * count)};
    Agree<char>(encodeTargets, [&](Method method, char* target, int targetCount) {
      return codepage::EncodeTableWith(method, page, text.data(), count, target, targetCount);
    });
  }
  return 0;
}
