// cpconv: a host for people. Loads the conversion library at run time by name,
// converts a text given on the command line or on standard input from one code
// page to another, and writes the result after the library's trace lines (or to
// a file). LOTAN_LIBRARY_NAME and LOTAN_CONVERT_SYMBOL come from the build.

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "LotanconvertCP.h"
#include "platform/platform.h"
#include "tools/standard_streams.h"

namespace {

constexpr int kUsageError = 2;

const char kUsage[] =
    "usage: cpconv [-o FILE] FROM TO [TEXT]\n"
    "\n"
    "Converts TEXT, or standard input when TEXT is absent, from Windows code page\n"
    "FROM to code page TO through " LOTAN_LIBRARY_NAME
    ", loaded at run time.\n"
    "The library writes its seven trace lines to standard output; the result\n"
    "follows them there, or goes to FILE with -o. The text ends at its first zero\n"
    "byte. A conversion that fails gives an empty result.\n"
    "\n"
    "  -o FILE   write the converted bytes to FILE instead of standard output\n"
    "  --help    show this help\n"
    "\n"
    "Example: cpconv 1251 65001 < letter.txt   (Windows-1251 to UTF-8)\n";

int Fail(const std::string& message) {
  std::fprintf(stderr, "cpconv: %s\n", message.c_str());
  return kUsageError;
}

// A code page is a decimal 32-bit signed integer and nothing else.
bool ParseCodePage(const char* text, int& codePage) {
  if (*text == '\0') return false;
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(text, &end, 10);
  if (*end != '\0' || errno == ERANGE || value < INT32_MIN || value > INT32_MAX) return false;
  // strtoll accepts leading blanks; a code page does not.
  if (!(text[0] == '-' || text[0] == '+' || (text[0] >= '0' && text[0] <= '9'))) return false;
  codePage = static_cast<int>(value);
  return true;
}

// The loader's message without the line end that Windows messages carry.
std::string LoadError() {
  std::string message = platform::LastLoadError();
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) {
    message.pop_back();
  }
  return message;
}

bool IsOption(const char* argument) {
  if (argument[0] != '-' || argument[1] == '\0') return false;
  return !(argument[1] >= '0' && argument[1] <= '9');  // "-5" is a (negative) code page
}

bool ReadStandardInput(std::string& text) {
  char chunk[65536];
  for (;;) {
    const std::size_t n = std::fread(chunk, 1, sizeof chunk, stdin);
    text.append(chunk, n);
    if (n < sizeof chunk) return std::ferror(stdin) == 0;
  }
}

bool WriteAll(std::FILE* stream, const char* bytes, std::size_t count) {
  return std::fwrite(bytes, 1, count, stream) == count && std::fflush(stream) == 0;
}

int Run(int argc, char** argv) {
  const char* outputPath = nullptr;
  std::vector<const char*> positional;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    if (!optionsEnded && IsOption(argument)) {
      if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
      }
      if (std::strcmp(argument, "--") == 0) {
        optionsEnded = true;
        continue;
      }
      if (std::strcmp(argument, "-o") == 0) {
        if (i + 1 >= argc) return Fail("-o needs a file name (see --help)");
        outputPath = argv[++i];
        continue;
      }
      return Fail(std::string("unknown option '") + argument + "' (see --help)");
    }
    positional.push_back(argument);
  }
  if (positional.size() < 2 || positional.size() > 3) {
    return Fail("expected FROM TO [TEXT] (see --help)");
  }
  int from = 0;
  int to = 0;
  if (!ParseCodePage(positional[0], from))
    return Fail(std::string("FROM is not a code page number: '") + positional[0] + "'");
  if (!ParseCodePage(positional[1], to))
    return Fail(std::string("TO is not a code page number: '") + positional[1] + "'");

  std::string text;
  if (positional.size() == 3) {
    text = positional[2];
  } else {
    UseBinaryStandardInput();
    if (!ReadStandardInput(text)) return Fail(std::string("cannot read standard input: ") + std::strerror(errno));
  }
  // The library reads up to the first zero byte and needs twice that and one.
  const std::size_t length = std::strlen(text.c_str());
  std::vector<char> result(2 * length + 1, '\0');

  std::FILE* output = nullptr;
  if (outputPath != nullptr) {
    output = std::fopen(outputPath, "wb");
    if (output == nullptr) return Fail(std::string("cannot write '") + outputPath + "': " + std::strerror(errno));
  }

  const platform::Library library = platform::OpenLibrary(LOTAN_LIBRARY_NAME);
  if (library == nullptr) {
    if (output != nullptr) std::fclose(output);
    return Fail(std::string("cannot load " LOTAN_LIBRARY_NAME ": ") + LoadError());
  }
  const auto convert = reinterpret_cast<LotanconvertCPFunction>(platform::LibrarySymbol(library, LOTAN_CONVERT_SYMBOL));
  if (convert == nullptr) {
    platform::CloseLibrary(library);
    if (output != nullptr) std::fclose(output);
    return Fail("the library has no " LOTAN_CONVERT_SYMBOL);
  }
  convert(text.c_str(), from, to, result.data());
  platform::CloseLibrary(library);

  const std::size_t count = std::strlen(result.data());
  if (output != nullptr) {
    const bool written = WriteAll(output, result.data(), count);
    if (std::fclose(output) != 0 || !written) return Fail(std::string("cannot write '") + outputPath + "'");
    return 0;
  }
  UseBinaryStandardOutput();
  if (!WriteAll(stdout, result.data(), count)) return Fail("cannot write to standard output");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::bad_alloc&) {
    return Fail("not enough memory for the text");
  } catch (...) {
    return Fail("unexpected failure");
  }
}
