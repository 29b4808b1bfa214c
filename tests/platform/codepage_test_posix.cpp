// The code-page calls of the posix layer where it has no Windows build under Wine
// to be compared with: GB18030, which Wine lacks; 0 to 3 under locales set while
// the process runs; and a host that forks, or runs out of descriptors, while the
// calls are in use.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/codepage_cases.h"
#include "platform/platform.h"
#include "platform/posix/codepage_detail.h"

namespace {

using Units = std::u16string;
using Bytes = std::string;

Units Decode(int codePage, const Bytes& bytes, int capacity = 16) {
  char16_t units[16] = {};
  const int n = platform::System().MultiByteToWide(codePage, bytes.data(), static_cast<int>(bytes.size()),
                                                   capacity == 0 ? nullptr : units, capacity);
  return n > 0 ? Units(units, capacity == 0 ? 0 : static_cast<std::size_t>(n)) : Units(u"(failed)");
}

Bytes Encode(int codePage, const Units& units, int capacity = 16) {
  char bytes[16] = {};
  const int n = platform::System().WideToMultiByte(codePage, units.data(), static_cast<int>(units.size()), bytes,
                                                   capacity);
  return n > 0 ? Bytes(bytes, static_cast<std::size_t>(n)) : Bytes("(failed)");
}

TEST(CodePagePosixTest, Gb18030) {
  struct Row {
    const char* name;
    Bytes bytes;
    Units units;
  };
  const Row both[] = {
      {"ASCII", "A", u"A"},
      {"two bytes", "\xB0\xA1", u"\u554A"},
      {"euro sign", "\xA2\xE3", u"\u20AC"},
      {"first four-byte sequence", "\x81\x30\x81\x30", u"\u0080"},
      {"four bytes in the 2000 edition", "\x81\x35\xF4\x37", u"\u1E3F"},
      {"last of the BMP", "\x84\x31\xA4\x39", u"\uFFFF"},
      {"first of the supplementary planes", "\x90\x30\x81\x30", u"\xD800\xDC00"},
      {"an emoji", "\x94\x39\xFC\x36", u"\xD83D\xDE00"},
      {"last of Unicode", "\xE3\x32\x9A\x35", u"\xDBFF\xDFFF"},
  };
  for (const Row& row : both) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Decode(54936, row.bytes), row.units);
    EXPECT_EQ(Encode(54936, row.units), row.bytes);
  }
  const Row decodes[] = {
      {"broken four-byte sequence loses nothing after the lead byte", "\x81\x30\x41", u"?0A"},
      {"lead byte cut off", "A\x81", u"A?"},
      {"past the last four-byte sequence", "\xFE\x39\xFE\x39", u"?"},
      {"single bytes 80 and FF", "\x80\xFF", u"??"},
  };
  for (const Row& row : decodes) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Decode(54936, row.bytes), row.units);
  }
  EXPECT_EQ(Encode(54936, u"\xD800" u"A"), "?A");
  EXPECT_EQ(Encode(54936, u"\u0080A", 4), "(failed)");  // the four bytes fit, the 'A' does not
  EXPECT_EQ(platform::System().WideToMultiByte(54936, u"\u0080A", 2, nullptr, 0), 5);
  EXPECT_EQ(platform::System().MultiByteToWide(54936, "\x90\x30\x81\x30\x41", 5, nullptr, 0), 3);
}

// Each way of converting on its own (one at a time, in blocks, in blocks with
// SSSE3 where the processor has it): inputs long enough for blocks, with pairs at
// every position of a block and across its end, bytes that are no lead byte
// before bytes above 0x80, runs of bytes that stand for themselves, and targets
// too small.
TEST(CodePagePosixTest, EveryMethodOfTableCodePages) {
  namespace codepage = platform::detail::codepage;
  using codepage_cases::Times;
  const codepage_cases::DecodeCase decodes[] = {
      {"936 words", 936, Times(Bytes("\xC4\xE3\xBA\xC3 A"), 30), 200, 120, Times(Units(u"\u4F60\u597D A"), 30)},
      {"936 pairs from an odd byte", 936, "A" + Times(Bytes("\xC4\xE3"), 70), 200, 71, u"A" + Times(Units(u"\u4F60"), 70)},
      {"936 a block's last pair ends the input", 936, "A" + Times(Bytes("\xC4\xE3"), 32), 200, 33,
       u"A" + Times(Units(u"\u4F60"), 32)},
      {"936 a block of an odd count of characters, then one of single bytes", 936,
       "A" + Times(Bytes("\xC4\xE3"), 31) + "B" + Times(Bytes("a"), 64) + Times(Bytes("\xC4\xE3"), 40), 200, 137,
       u"A" + Times(Units(u"\u4F60"), 31) + u"B" + Times(Units(u"a"), 64) + Times(Units(u"\u4F60"), 40)},
      {"932 pair across a block's end", 932, Times(Bytes("A"), 63) + "\x82\xA0" + Times(Bytes("A"), 70), 200, 134,
       Times(Units(u"A"), 63) + u"\u3042" + Times(Units(u"A"), 70)},
      {"932 half-width katakana before lead bytes", 932, Times(Bytes("\xB1\x82\xA0\xA1"), 60), 200, 180,
       Times(Units(u"\uFF71\u3042\uFF61"), 60)},
      {"932 lead bytes before zeros", 932, Times(Bytes("\x82\0", 2), 80), 200, 160, Times(Units(u"\u30FB\0", 2), 80)},
      {"932 lead byte ends the input", 932, Times(Bytes("A"), 64) + "\x82", 100, 65, Times(Units(u"A"), 64) + u"\u30FB"},
      {"949 undefined pairs before ASCII", 949, Times(Bytes("\xA2\xE8\x61"), 60), 200, 120, Times(Units(u"?a"), 60)},
      {"950 box drawing", 950, Times(Bytes("\xF9\xF9"), 80), 200, 80, Times(Units(u"\u2550"), 80)},
      {"20932 kana and half-width kana", 20932, Times(Bytes("\xA4\xA2\x8E\xB1"), 40), 200, 80,
       Times(Units(u"\u3042\uFF71"), 40)},
      {"28591 Latin 1 as it is", 28591, Times(Bytes("caf\xE9 \xFF"), 20), 200, 120, Times(Units(u"caf\u00E9 \u00FF"), 20)},
      {"1251 ASCII runs among Cyrillic", 1251, Times(Bytes("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdef\xC4\xE0"), 5), 200, 170,
       Times(Units(u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdef\u0414\u0430"), 5)},
      {"1251 a run's one byte that does not stand for itself", 1251, Times(Times(Bytes("A"), 31) + "\x80", 3), 200, 96,
       Times(Times(Units(u"A"), 31) + u"\u0402", 3)},
      {"37 EBCDIC letters", 37, Times(Bytes("\xC1\xC2\x40"), 30), 200, 90, Times(Units(u"AB "), 30)},
      {"936 size query", 936, Times(Bytes("\xC4\xE3\xBA\xC3 A"), 30), 0, 120, u""},
      {"936 too small writes what fits and fails", 936, Times(Bytes("\xC4\xE3\xBA\xC3 A"), 30), 70, 0,
       Times(Units(u"\u4F60\u597D A"), 17) + u"\u4F60\u597D"},
      {"936 long text too small", 936, Times(Bytes("\xC4\xE3\xBA\xC3 A"), 60), 190, 0,
       Times(Units(u"\u4F60\u597D A"), 47) + u"\u4F60\u597D"},
  };
  const codepage_cases::EncodeCase encodes[] = {
      {"936 words", 936, Times(Units(u"\u4F60\u597D A"), 30), 200, 180, Times(Bytes("\xC4\xE3\xBA\xC3 A"), 30)},
      {"932 kana after an odd unit", 932, u"A" + Times(Units(u"\u3042"), 40), 100, 81, "A" + Times(Bytes("\x82\xA0"), 40)},
      {"950 box drawing between ideographs", 950, Times(Units(u"\u2550\u4F60A"), 12), 100, 60,
       Times(Bytes("\xF9\xF9\xA7\x41\x41"), 12)},
      {"932 exact fit", 932, Times(Units(u"\u3042"), 24), 48, 48, Times(Bytes("\x82\xA0"), 24)},
      {"932 too small writes whole characters and fails", 932, Times(Units(u"\u3042A"), 12), 34, 0,
       Times(Bytes("\x82\xA0\x41"), 11)},
      {"936 size query", 936, Times(Units(u"\u4F60\u597D A"), 30), 0, 180, ""},
      {"28591 Latin 1 as it is", 28591, Times(Units(u"caf\u00E9 \u00FF"), 20), 200, 120, Times(Bytes("caf\xE9 \xFF"), 20)},
      {"1252 euro signs after a plain stretch", 1252, Times(Units(u"abcd"), 1024) + Times(Units(u"\u20ACxyz"), 20),
       5000, 4176, Times(Bytes("abcd"), 1024) + Times(Bytes("\x80xyz"), 20)},
      {"1252 a plain stretch after a euro sign", 1252, u"\u20AC" + Times(Units(u"a"), 4200), 5000, 4201,
       "\x80" + Times(Bytes("a"), 4200)},
      {"1252 plain units before one it has not", 1252, Times(Units(u"a"), 40) + u"\u3042", 100, 41,
       Times(Bytes("a"), 40) + "?"},
  };
  for (const codepage::Method method :
       {codepage::Method::kOneAtATime, codepage::Method::kBlocks, codepage::Method::kBlocksSsse3}) {
    if (!codepage::Runs(method)) {
      std::printf("method %d: not on this processor\n", static_cast<int>(method));
      continue;
    }
    SCOPED_TRACE("method " + std::to_string(static_cast<int>(method)));
    codepage_cases::Check(decodes, codepage_cases::kUnitMarker,
                          [method](const codepage_cases::DecodeCase& c, char16_t* target) {
                            return codepage::DecodeTableWith(method, *codepage::FindTableCodePage(c.codePage),
                                                             c.source.data(), static_cast<int>(c.source.size()),
                                                             c.targetCount == 0 ? nullptr : target, c.targetCount);
                          });
    codepage_cases::Check(encodes, codepage_cases::kByteMarker,
                          [method](const codepage_cases::EncodeCase& c, char* target) {
                            return codepage::EncodeTableWith(method, *codepage::FindTableCodePage(c.codePage),
                                                             c.source.data(), static_cast<int>(c.source.size()),
                                                             c.targetCount == 0 ? nullptr : target, c.targetCount);
                          });
  }
}

// Sets the locale variables for the life of the object and puts them back.
class Environment {
 public:
  Environment(const char* all, const char* ctype, const char* lang) {
    Set("LC_ALL", all);
    Set("LC_CTYPE", ctype);
    Set("LANG", lang);
  }
  ~Environment() {
    for (const Saved& s : saved_) s.had ? setenv(s.name, s.value.c_str(), 1) : unsetenv(s.name);
  }
  Environment(const Environment&) = delete;
  Environment& operator=(const Environment&) = delete;

 private:
  struct Saved {
    const char* name;
    bool had;
    std::string value;
  };
  void Set(const char* name, const char* value) {
    const char* old = std::getenv(name);
    saved_.push_back({name, old != nullptr, old != nullptr ? old : ""});
    value != nullptr ? setenv(name, value, 1) : unsetenv(name);
  }
  std::vector<Saved> saved_;
};

// What 0 to 3 stand for, as the Windows build under Wine picks them for the same
// environment (measured with wine64).
TEST(CodePagePosixTest, SystemCodePagesFollowTheLocale) {
  struct Row {
    const char* name;
    const char* all;
    const char* ctype;
    const char* lang;
    int codePage;
    Bytes bytes;
    Units units;
  };
  const Row rows[] = {
      {"C: ANSI is 1252", "C.UTF-8", nullptr, nullptr, 0, "\x80", u"\u20AC"},
      {"C: OEM is 437", "C.UTF-8", nullptr, nullptr, 1, "\x80", u"\u00C7"},
      {"C: Mac is 10000", "C.UTF-8", nullptr, nullptr, 2, "\x80", u"\u00C4"},
      {"C: thread ANSI is 1252", "C.UTF-8", nullptr, nullptr, 3, "\x80", u"\u20AC"},
      {"nothing set is C", nullptr, nullptr, nullptr, 1, "\x80", u"\u00C7"},
      {"ru_RU: ANSI is 1251", "ru_RU.UTF-8", nullptr, nullptr, 0, "\xC4", u"\u0414"},
      {"ru_RU: OEM is 866", "ru_RU.UTF-8", nullptr, nullptr, 1, "\xA0", u"\u0430"},
      {"ru_RU: Mac is 10007", "ru_RU.UTF-8", nullptr, nullptr, 2, "\xA0", u"\u2020"},
      {"ja_JP: ANSI is 932", "ja_JP.UTF-8", nullptr, nullptr, 0, "\x82\xA0", u"\u3042"},
      {"ja_JP: OEM is 932", "ja_JP.UTF-8", nullptr, nullptr, 1, "\x82\xA0", u"\u3042"},
      {"ja_JP: thread ANSI is 932", "ja_JP.UTF-8", nullptr, nullptr, 3, "\x82\xA0", u"\u3042"},
      {"LC_CTYPE before LANG", nullptr, "ja_JP.UTF-8", "ru_RU.UTF-8", 0, "\x82\xA0", u"\u3042"},
      {"LANG alone", nullptr, nullptr, "ru_RU.UTF-8", 0, "\xC4", u"\u0414"},
      {"language alone: de is OEM 850", "de.UTF-8", nullptr, nullptr, 1, "\x9B", u"\u00F8"},
      {"a modifier names the script", "sr_RS@latin", nullptr, nullptr, 0, "\x8A", u"\u0160"},
      {"a locale without ANSI code page is UTF-8", "hi_IN.UTF-8", nullptr, nullptr, 1, "\xE2\x82\xAC", u"\u20AC"},
      {"a locale without Mac code page is en-US", "ru_BY.UTF-8", nullptr, nullptr, 0, "\xC4", u"\u00C4"},
      {"an unknown locale is en-US", "xx_YY.UTF-8", nullptr, nullptr, 0, "\x80", u"\u20AC"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Environment environment(row.all, row.ctype, row.lang);
    EXPECT_EQ(Decode(row.codePage, row.bytes), row.units);
    EXPECT_EQ(Encode(row.codePage, row.units), row.bytes);
  }
}

// A round trip of ASCII text, the same in every code page that has it.
bool RoundTrips(int codePage) {
  const Bytes text = "Lotan 123";
  char16_t units[16];
  char back[16];
  const int n = platform::System().MultiByteToWide(codePage, text.data(), static_cast<int>(text.size()), units, 16);
  const int m = platform::System().WideToMultiByte(codePage, units, n, back, 16);
  return n == 9 && m == 9 && Bytes(back, 9) == text;
}

// The known code pages that convert the text there and back.
std::vector<int> WorkingCodePages() {
  std::vector<int> codePages;
  const platform::CodePageNames known = platform::KnownCodePages();
  for (std::size_t i = 0; i < known.count; ++i) {
    if (RoundTrips(known.entries[i].number)) codePages.push_back(known.entries[i].number);
  }
  return codePages;
}

// A child forked while another thread converts (the first use of every code page
// in this process, had anything been built at first use) converts in its turn and
// ends; none may hang on a lock the other thread held at the fork.
TEST(CodePageFaultsTest, ForkWhileAnotherThreadConvertsLeavesNoChildHung) {
  std::atomic<bool> stop{false};
  std::thread converter([&] {
    const platform::CodePageNames known = platform::KnownCodePages();
    while (!stop) {
      for (std::size_t i = 0; i < known.count && !stop; ++i) RoundTrips(known.entries[i].number);
    }
  });
  const int childCodePages[] = {932, 936, 949, 950, 54936, 1251, 0, 65001, 20932, 1361};
  int hung = 0, wrong = 0;
  for (int k = 0; k < 30; ++k) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(RoundTrips(childCodePages[k % 10]) ? 0 : 1);
    int status = 0;
    pid_t done = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while ((done = waitpid(child, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (done == 0) {
      ++hung;
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
    } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      ++wrong;
    }
  }
  stop = true;
  converter.join();
  EXPECT_EQ(hung, 0);
  EXPECT_EQ(wrong, 0);
}

// With every descriptor taken, each code page still converts (nothing is opened
// at first use), and after the moment has passed as well.
TEST(CodePageFaultsTest, CodePagesWorkWithNoFreeDescriptor) {
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit low = saved;
  low.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
  std::vector<int> taken;
  for (int fd; (fd = open("/dev/null", O_RDONLY)) >= 0;) taken.push_back(fd);
  const std::vector<int> during = WorkingCodePages();
  const int eucJp = platform::System().MultiByteToWide(20932, "\xA4\xA2", 2, nullptr, 0);
  for (int fd : taken) close(fd);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);
  const std::vector<int> after = WorkingCodePages();
  EXPECT_FALSE(taken.empty());
  EXPECT_EQ(during.size(), 72u);  // every known code page
  EXPECT_EQ(during, after);
  EXPECT_EQ(eucJp, 1);
}

}  // namespace
