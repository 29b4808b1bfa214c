// cpconv: a host for people. Loads the conversion library at run time by name and
// converts files, standard input or a text given on the command line from one
// code page to another, in batches, keeping the library's trace off the result
// unless --trace asks for it. LOTAN_LIBRARY_NAME, LOTAN_CONVERT_SYMBOL and
// LOTAN_VERSION come from the build.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "LotanconvertCP.h"
#include "platform/platform.h"
#include "tools/codepage_names.h"
#include "tools/standard_streams.h"
#include "tools/stream_convert.h"

namespace {

constexpr int kConversionFailed = 1;
constexpr int kUsageError = 2;
// iconv's status when its output is a pipe whose reader has gone.
constexpr int kBrokenPipe = 1;

const char kUsage[] =
    "usage: cpconv [--trace] -f FROM -t TO [-o FILE] [FILE...]\n"
    "       cpconv [--trace] [-o FILE] FROM TO [TEXT]\n"
    "       cpconv -l | --version | --help\n"
    "\n"
    "Converts text from code page FROM to code page TO through " LOTAN_LIBRARY_NAME
    ",\n"
    "loaded at run time. The first form converts the FILEs one after the other\n"
    "(- or none: standard input); the second converts TEXT, or standard input.\n"
    "A code page is a Windows code-page number (1251, 866, 65001) or a name, in\n"
    "any case: cp1251, windows-1251, ibm866, koi8-r, iso-8859-5, utf-8, shift_jis,\n"
    "gbk, big5, euc-kr, us-ascii, ... (-l lists them). Input is converted in batches\n"
    "of about 64 KiB (a long line up to 1 MiB) cut at line ends, one library call\n"
    "each; zero bytes are passed on as they are.\n"
    "\n"
    "  -f, --from-code=CP   code page of the input\n"
    "  -t, --to-code=CP     code page wanted\n"
    "  -o, --output=FILE    write to FILE (- for standard output); FILE is replaced\n"
    "                       only when the whole run succeeds, and kept otherwise\n"
    "  -l, --list           list the code pages this build converts\n"
    "      --trace          let the library's seven trace lines per call through to\n"
    "                       standard output, each batch's result after them\n"
    "      --version        show the version\n"
    "  -h, --help           show this help\n"
    "\n"
    "Exit status: 0 when everything converted; 1 when a conversion failed (an\n"
    "unknown code page, a text that converts no way) or standard output was closed\n"
    "by its reader; 2 for bad use, unreadable input, a library that cannot be\n"
    "loaded or output that cannot be written. Messages go to standard error.\n"
    "On Windows a TEXT argument arrives in the system's ANSI code page: give FROM\n"
    "as that code page, or pass the text in a file.\n"
    "\n"
    "Example: cpconv -f cp1251 -t utf-8 letter.txt -o letter-utf8.txt\n";

int Fail(int status, const std::string& message) {
  std::fprintf(stderr, "cpconv: %s\n", message.c_str());
  return status;
}

std::string Reason() { return std::strerror(errno); }

// The loader's message without the line end that Windows messages carry.
std::string LoadError() {
  std::string message = platform::LastLoadError();
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) {
    message.pop_back();
  }
  return message;
}

// "-5" is a (negative) code page of the positional form, not an option.
bool IsOption(const char* argument) {
  if (argument[0] != '-' || argument[1] == '\0') return false;
  return !(argument[1] >= '0' && argument[1] <= '9');
}

struct Options {
  bool trace = false;
  bool list = false;
  const char* from = nullptr;
  const char* to = nullptr;
  const char* output = nullptr;
  std::vector<const char*> operands;
};

// Takes the value of an option given as "-o VALUE", "-oVALUE", "--output VALUE"
// or "--output=VALUE"; false when `argument` is not that option.
bool TakeValue(const char* shortName, const char* longName, int argc, char** argv, int& i, const char*& value,
               std::string& error) {
  const char* argument = argv[i];
  const std::size_t longLength = std::strlen(longName);
  const char* inline_ = nullptr;
  if (std::strncmp(argument, shortName, 2) == 0 && argument[1] != '-') {
    inline_ = argument[2] != '\0' ? argument + 2 : nullptr;
  } else if (std::strncmp(argument, longName, longLength) == 0 &&
             (argument[longLength] == '\0' || argument[longLength] == '=')) {
    inline_ = argument[longLength] == '=' ? argument + longLength + 1 : nullptr;
  } else {
    return false;
  }
  if (inline_ != nullptr) {
    value = inline_;
  } else if (i + 1 < argc) {
    value = argv[++i];
  } else {
    error = std::string(shortName) + " needs a value (see --help)";
  }
  return true;
}

// Empty `error` and the options, or the message of a usage error; `done` when
// --help or --version has been answered.
std::string ParseOptions(int argc, char** argv, Options& options, bool& done) {
  bool optionsEnded = false;
  std::string error;
  for (int i = 1; i < argc && error.empty(); ++i) {
    const char* argument = argv[i];
    if (optionsEnded || !IsOption(argument)) {
      options.operands.push_back(argument);
    } else if (std::strcmp(argument, "--") == 0) {
      optionsEnded = true;
    } else if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
      std::fputs(kUsage, stdout);
      done = true;
      return {};
    } else if (std::strcmp(argument, "--version") == 0) {
      std::puts("cpconv " LOTAN_VERSION);
      done = true;
      return {};
    } else if (std::strcmp(argument, "--trace") == 0) {
      options.trace = true;
    } else if (std::strcmp(argument, "-l") == 0 || std::strcmp(argument, "--list") == 0) {
      options.list = true;
    } else if (!TakeValue("-f", "--from-code", argc, argv, i, options.from, error) &&
               !TakeValue("-t", "--to-code", argc, argv, i, options.to, error) &&
               !TakeValue("-o", "--output", argc, argv, i, options.output, error)) {
      error = std::string("unknown option '") + argument + "' (see --help)";
    }
  }
  return error;
}

// -l: every code page the library knows and converts from and to, with its
// names where the table has them (else the name Windows gives it), then the
// named code pages this build does not convert.
void List(LotanconvertCPFunction convert, std::FILE* output) {
  const auto converts = [convert](int number) {
    char there[8] = {};
    char back[8] = {};
    convert("A", number, 65001, there);
    convert("A", 65001, number, back);
    return there[0] != '\0' && back[0] != '\0';
  };
  const platform::CodePageNames known = platform::KnownCodePages();
  const auto isKnown = [&known](int number) {
    for (std::size_t i = 0; i < known.count; ++i) {
      if (known.entries[i].number == number) return true;
    }
    return false;
  };
  for (std::size_t i = 0; i < known.count; ++i) {
    const platform::CodePageName& page = known.entries[i];
    if (!converts(page.number)) continue;
    std::string names;
    const char* description = page.name;
    if (const CodePageName* entry = FindCodePage(page.number); entry != nullptr) {
      for (const char* c = entry->names; *c != '\0'; ++c) {
        if (*c == ' ') names += ',';
        names += *c;
      }
      description = entry->description;
    }
    std::fprintf(output, "%6d  %-40s %s\n", page.number, names.c_str(), description);
  }
  std::string missing;
  for (const CodePageName& entry : CodePageNames()) {
    if (isKnown(entry.number) && converts(entry.number)) continue;
    missing += ' ';
    missing += std::to_string(entry.number);
  }
  if (!missing.empty()) std::fprintf(output, "Not in this build:%s\n", missing.c_str());
}

int Run(int argc, char** argv) {
  Options options;
  bool done = false;
  if (const std::string error = ParseOptions(argc, argv, options, done); !error.empty()) {
    return Fail(kUsageError, error);
  }
  if (done) return 0;

  // The two forms: -f and -t with FILE operands, or FROM TO [TEXT].
  const bool named = options.from != nullptr || options.to != nullptr;
  const char* text = nullptr;
  std::vector<std::string> files;
  if (options.list) {
    if (named || !options.operands.empty()) return Fail(kUsageError, "-l takes no other arguments (see --help)");
  } else if (named) {
    if (options.from == nullptr || options.to == nullptr) {
      return Fail(kUsageError, "-f and -t go together (see --help)");
    }
    files.assign(options.operands.begin(), options.operands.end());
    if (files.empty()) files.emplace_back("-");
  } else {
    if (options.operands.size() < 2 || options.operands.size() > 3) {
      return Fail(kUsageError, "expected FROM TO [TEXT] or -f FROM -t TO [FILE...] (see --help)");
    }
    options.from = options.operands[0];
    options.to = options.operands[1];
    if (options.operands.size() == 3) {
      text = options.operands[2];
    } else {
      files.emplace_back("-");
    }
  }
  int from = 0;
  int to = 0;
  if (!options.list) {
    if (!ParseCodePage(options.from, from))
      return Fail(kConversionFailed, std::string("unknown code page '") + options.from + "' (FROM; -l lists them)");
    if (!ParseCodePage(options.to, to))
      return Fail(kConversionFailed, std::string("unknown code page '") + options.to + "' (TO; -l lists them)");
  }

  KeepBrokenPipesQuiet();
  std::FILE* output = nullptr;
  if (options.trace && !options.list) {
    UseBinaryStandardOutput();
    output = stdout;
  } else {
    output = SetTraceAside();
    if (output == nullptr) return Fail(kUsageError, "cannot set the library's trace aside: " + Reason());
  }

  const platform::Library library = platform::OpenLibrary(LOTAN_LIBRARY_NAME);
  if (library == nullptr) return Fail(kUsageError, std::string("cannot load " LOTAN_LIBRARY_NAME ": ") + LoadError());
  const auto convert = reinterpret_cast<LotanconvertCPFunction>(platform::LibrarySymbol(library, LOTAN_CONVERT_SYMBOL));
  if (convert == nullptr) return Fail(kUsageError, "the library has no " LOTAN_CONVERT_SYMBOL);
  if (options.list) {
    List(convert, output);
    return std::fflush(output) == 0 ? 0 : Fail(kUsageError, "cannot write standard output: " + Reason());
  }

  const bool toFile = options.output != nullptr && std::strcmp(options.output, "-") != 0;
  std::string temporary;
  if (toFile) {
    output = CreateFileBeside(options.output, temporary);
    if (output == nullptr) return Fail(kUsageError, std::string("cannot write '") + options.output + "': " + Reason());
  }
  // On any failure the temporary file goes and FILE stays as it was.
  const auto abandon = [&](int status, const std::string& message) {
    if (toFile) {
      std::fclose(output);
      std::remove(temporary.c_str());
    }
    return message.empty() ? status : Fail(status, message);
  };
  const std::string outputName = toFile ? std::string("'") + options.output + "'" : "standard output";
  const auto writeFailure = [&]() {
    if (!toFile && WriteHitClosedPipe()) return abandon(kBrokenPipe, "");
    return abandon(kUsageError, "cannot write " + outputName + ": " + Reason());
  };

  StreamConverter converter(convert, from, to, output, options.trace);
  std::size_t total = 0;
  const auto report = [&](Outcome outcome, const std::string& inputName) {
    switch (outcome) {
      case Outcome::kDone:
        return 0;
      case Outcome::kUnknownFrom:
        return abandon(kConversionFailed,
                       std::string("unknown code page '") + options.from + "': the library converts nothing from it");
      case Outcome::kUnknownTo:
        return abandon(kConversionFailed,
                       std::string("unknown code page '") + options.to + "': the library converts nothing to it");
      case Outcome::kNotConverted:
        return abandon(kConversionFailed, inputName + ": cannot convert the text at byte offset " +
                                              std::to_string(converter.FailedOffset()));
      case Outcome::kCannotCut:
        return abandon(kConversionFailed, inputName + ": no line end within 1 MiB from byte offset " +
                                              std::to_string(converter.FailedOffset()) +
                                              ", and this code page may be cut at line ends only");
      case Outcome::kReadFailed:
        return abandon(kUsageError, "cannot read " + inputName + ": " + Reason());
      case Outcome::kWriteFailed:
        return writeFailure();
    }
    return abandon(kUsageError, "unexpected outcome");
  };

  if (text != nullptr) {
    std::size_t left = std::strlen(text);
    const Reader fromText = [&](char* into, std::size_t most, std::size_t& got) {
      got = left < most ? left : most;
      std::memcpy(into, text, got);
      text += got;
      left -= got;
      total += got;
      return true;
    };
    if (const int status = report(converter.Convert(fromText), "TEXT"); status != 0) return status;
  }
  for (const std::string& file : files) {
    const bool standardInput = file == "-";
    std::FILE* input = standardInput ? stdin : std::fopen(file.c_str(), "rb");
    if (input == nullptr) return abandon(kUsageError, "cannot read '" + file + "': " + Reason());
    if (standardInput) UseBinaryStandardInput();
    const Reader fromFile = [&](char* into, std::size_t most, std::size_t& got) {
      got = std::fread(into, 1, most, input);
      total += got;
      return got > 0 || std::ferror(input) == 0;
    };
    const Outcome outcome = converter.Convert(fromFile);
    if (!standardInput) std::fclose(input);
    const std::string inputName = standardInput ? "standard input" : "'" + file + "'";
    if (const int status = report(outcome, inputName); status != 0) return status;
  }
  // An empty input makes no library call; the code pages are checked all the same.
  if (total == 0) {
    if (const int status = report(converter.CheckCodePages(), ""); status != 0) return status;
  }

  if (std::fflush(output) != 0) return writeFailure();
  if (toFile) {
    if (std::fclose(output) != 0) {
      std::remove(temporary.c_str());
      return Fail(kUsageError, "cannot write " + outputName + ": " + Reason());
    }
    if (!ReplaceWith(temporary, options.output)) {
      const std::string reason = Reason();
      std::remove(temporary.c_str());
      return Fail(kUsageError, "cannot write " + outputName + ": " + reason);
    }
  }
  platform::CloseLibrary(library);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::bad_alloc&) {
    return Fail(kUsageError, "not enough memory");
  } catch (...) {
    return Fail(kUsageError, "unexpected failure");
  }
}
