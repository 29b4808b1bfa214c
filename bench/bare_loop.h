// What the conversion benchmarks measure the library against: the same text, and
// a host loop that makes the same two code-page calls and the same 18 writes with
// no library in between. Each program supplies its platform's bare calls.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace bench {

inline constexpr int kFrom = 1251;
inline constexpr int kTo = 866;

// Windows-1251 text: Cyrillic words of 2 to 9 letters (bytes 0xC0 to 0xFF)
// between single spaces, the same bytes on every run and in both builds.
inline std::string CyrillicText(std::size_t size) {
  std::string text(size, ' ');
  std::uint32_t state = 12345;
  std::size_t i = 0;
  while (i < size) {
    state = state * 1103515245u + 12345u;
    const std::size_t word = 2 + (state >> 16) % 8;
    for (std::size_t k = 0; k < word && i < size; ++k, ++i) {
      state = state * 1103515245u + 12345u;
      text[i] = static_cast<char>(0xC0 + (state >> 16) % 64);
    }
    ++i;  // the space
  }
  return text;
}

// The host loop: the two conversion calls, the result copied, and the same 18
// pieces written (lines 2 and 3 from its buffers, whatever they hold). Its buffers
// are made once, or, with `fresh`, taken from malloc on every call and left
// unfilled, as a host that keeps nothing would. `Platform` provides
//   int Decode(const char* source, int count, Unit* wide, int room);
//   int Encode(const Unit* wide, int count, char* encoded, int room);
//   void Write(std::string_view piece);   // until written or failed
template <typename Platform, typename Unit>
class BareLoop {
 public:
  BareLoop(Platform& platform, std::size_t length, bool fresh)
      : platform_(platform),
        fresh_(fresh),
        wide_(fresh ? 0 : length),
        encoded_(fresh ? 0 : 2 * length),
        out_(2 * length + 1, '\0') {}

  void Run(const std::string& source) {
    const std::size_t length = source.size();
    if (!fresh_) {
      Convert(source, wide_.data(), encoded_.data());
      return;
    }
    auto* wide = static_cast<Unit*>(std::malloc(2 * length));
    auto* encoded = static_cast<char*>(std::malloc(2 * length));
    if (wide != nullptr && encoded != nullptr) Convert(source, wide, encoded);
    std::free(encoded);
    std::free(wide);
  }

 private:
  void Convert(const std::string& source, Unit* wide, char* encoded) {
    const int n = static_cast<int>(source.size());
    const auto scratch = 2 * source.size();
    WriteNumber("nLen=", n);
    WriteLine("strDst=", std::string_view(reinterpret_cast<const char*>(wide), scratch));
    WriteLine("strRet=", std::string_view(encoded, scratch));
    const int decoded = platform_.Decode(source.data(), n, wide, n);
    WriteNumber("nRet=", decoded);
    const int count = platform_.Encode(wide, decoded, encoded, 2 * n);
    WriteLine("strRet=", std::string_view(encoded, scratch));
    WriteNumber("nRet=", count);
    const auto bytes = static_cast<std::size_t>(count > 0 ? count : 0);
    std::memcpy(out_.data(), encoded, bytes);
    out_[bytes] = '\0';
    WriteLine("strOut=", std::string_view(out_.data(), bytes));
  }

  void WriteLine(std::string_view label, std::string_view value) {
    platform_.Write(label);
    platform_.Write(value);
    platform_.Write("\r\n");
  }

  void WriteNumber(std::string_view label, int value) {
    char piece[16];
    const int length = std::snprintf(piece, sizeof piece, "% d\r\n", value);
    platform_.Write(label);
    platform_.Write(std::string_view(piece, static_cast<std::size_t>(length)));
  }

  Platform& platform_;
  bool fresh_;
  std::vector<Unit> wide_;
  std::vector<char> encoded_;
  std::string out_;
};

}  // namespace bench
