// Cuts a fuzzer's random bytes into the arguments of one call: integers of any
// 32-bit value and byte strings of any content, zero bytes included.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace fuzz {

// Stops the run at a law that does not hold, naming its line so that the
// fuzzer's report says which one.
inline void Check(bool law, const char* file = __builtin_FILE(), int line = __builtin_LINE()) {
  if (law) return;
  std::fprintf(stderr, "law broken at %s:%d\n", file, line);
  std::abort();
}

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  int Integer() {
    std::uint32_t value = 0;
    const std::size_t n = size_ < sizeof value ? size_ : sizeof value;
    std::memcpy(&value, data_, n);
    Advance(n);
    // Small values are the interesting ones most of the time; the rest reach the extremes.
    if ((value & 3u) != 0) return static_cast<int>(static_cast<std::int32_t>(value) >> 26);
    return static_cast<int>(static_cast<std::int32_t>(value));
  }

  // A string of up to `limit` bytes, its length taken from one byte of input.
  std::string Bytes(std::size_t limit = 64) {
    std::size_t length = size_ > 0 ? data_[0] : 0;
    Advance(size_ > 0 ? 1 : 0);
    if (length > limit) length = limit;
    if (length > size_) length = size_;
    std::string result(reinterpret_cast<const char*>(data_), length);
    Advance(length);
    return result;
  }

  // Everything left.
  std::string Rest() {
    std::string result(reinterpret_cast<const char*>(data_), size_);
    Advance(size_);
    return result;
  }

 private:
  void Advance(std::size_t n) {
    data_ += n;
    size_ -= n;
  }

  const std::uint8_t* data_;
  std::size_t size_;
};

}  // namespace fuzz
