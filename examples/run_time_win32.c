/* Run-time loading on Windows: opens LotanconvertCP.dll (or the DLL named by the
   first argument), looks up the decorated stdcall name "CONVERT@16", converts
   "Привет" from Windows-1251 to UTF-8 and prints the result in hex after the
   library's seven trace lines. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include "LotanconvertCP.h"

int main(int argc, char** argv) {
  const char* name = argc > 1 ? argv[1] : "LotanconvertCP.dll";
  const char source[] = "\xCF\xF0\xE8\xE2\xE5\xF2"; /* "Привет" in Windows-1251 */
  char result[2 * (sizeof source - 1) + 1];
  HMODULE library = LoadLibraryA(name);
  LotanconvertCPFunction convert;
  size_t length, i;

  if (library == NULL) {
    fprintf(stderr, "cannot load %s (error %lu)\n", name, (unsigned long)GetLastError());
    return 2;
  }
  /* There is no undecorated "CONVERT"; a pointer of the stdcall type is needed,
     or the stack is left 16 bytes off after the call. */
  convert = (LotanconvertCPFunction)(void (*)(void))GetProcAddress(library, "CONVERT@16");
  if (convert == NULL) {
    fprintf(stderr, "%s has no CONVERT@16\n", name);
    FreeLibrary(library);
    return 2;
  }
  convert(source, 1251, 65001, result);
  FreeLibrary(library);

  length = strlen(result);
  printf("UTF-8, %u bytes:", (unsigned)length);
  for (i = 0; i < length; ++i) printf(" %02X", (unsigned char)result[i]);
  printf("\n");
  return length == 0 ? 1 : 0;
}
