// POSIX layer, code pages: what 0 to 3 (the system's ANSI, OEM and Mac code
// pages) stand for. Wine takes them from the Unix locale named in the environment;
// so does this, on every call, without caching, so a host sees no first-use state.

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/posix/codepage_detail.h"

namespace platform::detail::codepage {
namespace {

const LocaleCodePages* FindLocale(const char* name) {
  const LocaleCodePages* end = kLocales + kLocaleCount;
  const LocaleCodePages* found = std::lower_bound(
      kLocales, end, name, [](const LocaleCodePages& l, const char* n) { return std::strcmp(l.name, n) < 0; });
  return found != end && std::strcmp(name, found->name) == 0 ? found : nullptr;
}

// The locale named by the environment, as POSIX picks the one for LC_CTYPE.
const char* EnvironmentLocale() {
  for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return value;
  }
  return "";
}

// "ll_CC.charset@modifier" as Windows names it: "ll-CC", with a script for the
// modifiers that name one ("sr_RS@latin" is "sr-Latn-RS"); else "ll" alone.
// Built in a fixed buffer: a call never allocates.
const LocaleCodePages* WindowsLocale(const char* unixName) {
  const std::size_t languageLength = std::strcspn(unixName, "_.@");
  const char* territory = unixName + languageLength;
  std::size_t territoryLength = 0;
  if (*territory == '_') territoryLength = std::strcspn(++territory, ".@");
  const char* modifier = std::strchr(unixName, '@');
  const char* script = nullptr;
  if (modifier != nullptr && std::strcmp(modifier, "@latin") == 0) script = "Latn";
  if (modifier != nullptr && std::strcmp(modifier, "@cyrillic") == 0) script = "Cyrl";
  char name[32];
  if (languageLength == 0 || languageLength + territoryLength + 7 > sizeof name) return nullptr;
  std::memcpy(name, unixName, languageLength);
  name[languageLength] = '\0';
  if (std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0) return nullptr;
  const LocaleCodePages* languageOnly = FindLocale(name);
  std::size_t length = languageLength;
  if (script != nullptr) {
    name[length++] = '-';
    std::memcpy(name + length, script, 4);
    length += 4;
  }
  if (territoryLength != 0) {
    name[length++] = '-';
    std::memcpy(name + length, territory, territoryLength);
    length += territoryLength;
  }
  name[length] = '\0';
  const LocaleCodePages* found = FindLocale(name);
  return found != nullptr ? found : languageOnly;
}

}  // namespace

int LocaleCodePage(int alias) {
  const LocaleCodePages* locale = WindowsLocale(EnvironmentLocale());
  constexpr int kUtf8 = 65001;
  if (locale != nullptr && locale->ansi == 0) return kUtf8;
  // Measured under Wine: a locale with a code page missing (ru_BY has no Mac code
  // page) is taken as en-US whole.
  if (locale == nullptr || locale->oem < 4 || locale->mac < 4) {
    static constexpr int kDefaults[] = {1252, 437, 10000, 1252};
    return kDefaults[alias];
  }
  switch (alias) {
    case 1:
      return locale->oem;
    case 2:
      return locale->mac;
    default:
      return locale->ansi;
  }
}

}  // namespace platform::detail::codepage
