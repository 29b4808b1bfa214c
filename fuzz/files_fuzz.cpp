// ReadWholeFile, FileLength and ReadLines on random file contents written to a
// temporary file: no crash or sanitizer report; the whole file is exactly its
// bytes before the first zero; and for contents without CR or zero bytes (the
// first input byte chooses such "plain" contents half the time), the lines are
// exactly the data before the first 0x1A cut at every LF, the last LF ending
// the last line.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "input.h"
#include "toolkit/files.h"

namespace {

using fuzz::Check;

const std::string& TemporaryFile() {
  static const std::string path = [] {
    std::random_device random;
    return (std::filesystem::temp_directory_path() / ("lotan_files_fuzz_" + std::to_string(random()))).string();
  }();
  return path;
}

toolkit::StringArray PlainLines(const std::string& bytes) {
  const std::string data = bytes.substr(0, bytes.find('\x1A'));
  toolkit::StringArray lines;
  std::size_t from = 0;
  while (from < data.size()) {
    const std::size_t end = data.find('\n', from);
    if (end == std::string::npos) {
      lines.push_back(data.substr(from));
      break;
    }
    lines.push_back(data.substr(from, end - from));
    from = end + 1;
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input input(data, size);
  const bool plain = (input.Integer() & 1) == 0;
  std::string bytes = input.Rest();
  if (plain) std::erase_if(bytes, [](char c) { return c == '\r' || c == '\0'; });

  const std::string& path = TemporaryFile();
  {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }

  Check(toolkit::FileLength(path) == static_cast<int>(bytes.size()));
  Check(toolkit::ReadWholeFile(path) == bytes.substr(0, bytes.find('\0')));

  toolkit::StringArray lines{"stale"};
  const int count = toolkit::ReadLines(path, lines);
  Check(count >= 0 && lines.size() >= static_cast<std::size_t>(toolkit::kReadLinesInitialCapacity));
  Check(count <= static_cast<int>(bytes.size()));
  std::size_t stored = 0;
  for (int i = 0; i < count; ++i) stored += lines[static_cast<std::size_t>(i)].size();
  Check(stored <= bytes.size());
  for (std::size_t i = static_cast<std::size_t>(count); i < lines.size(); ++i) Check(lines[i].empty());
  if (plain) {
    const toolkit::StringArray expected = PlainLines(bytes);
    Check(count == static_cast<int>(expected.size()));
    for (std::size_t i = 0; i < expected.size(); ++i) Check(lines[i] == expected[i]);
  }
  std::remove(path.c_str());
  return 0;
}
