/* Run-time loading on Linux: opens libLotanconvertCP.so (or the library named by
   the first argument), looks up "CONVERT", converts "Привет" from Windows-1251
   to UTF-8 and prints the result in hex after the library's seven trace lines. */
#include <dlfcn.h>
#include <stdio.h>
#include <string.h>

#include "LotanconvertCP.h"

int main(int argc, char** argv) {
  const char* name = argc > 1 ? argv[1] : "libLotanconvertCP.so";
  const char source[] = "\xCF\xF0\xE8\xE2\xE5\xF2"; /* "Привет" in Windows-1251 */
  char result[2 * (sizeof source - 1) + 1];
  void* library = dlopen(name, RTLD_NOW);
  LotanconvertCPFunction convert;
  size_t length, i;

  if (library == NULL) {
    fprintf(stderr, "cannot load %s: %s\n", name, dlerror());
    return 2;
  }
  /* The object-to-function pointer cast goes through memcpy, which ISO C allows. */
  {
    void* symbol = dlsym(library, "CONVERT");
    memcpy(&convert, &symbol, sizeof convert);
  }
  if (convert == NULL) {
    fprintf(stderr, "%s has no CONVERT\n", name);
    dlclose(library);
    return 2;
  }
  convert(source, 1251, 65001, result);
  dlclose(library);

  length = strlen(result);
  printf("UTF-8, %u bytes:", (unsigned)length);
  for (i = 0; i < length; ++i) printf(" %02X", (unsigned char)result[i]);
  printf("\n");
  return length == 0 ? 1 : 0;
}
