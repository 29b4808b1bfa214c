/* Load-time linking: converts "Привет" from Windows-1251 to code page 866 and
   prints the result in hex after the library's seven trace lines. Linked through
   libLotanconvertCP.dll.a on Windows (the call is stdcall, "CONVERT@16"), through
   libLotanconvertCP.so on Linux. */
#include <stdio.h>
#include <string.h>

#include "LotanconvertCP.h"

int main(void) {
  const char source[] = "\xCF\xF0\xE8\xE2\xE5\xF2"; /* "Привет" in Windows-1251 */
  /* The library writes up to 2 * n + 1 bytes and cannot check the size. */
  char result[2 * (sizeof source - 1) + 1];
  int status = CONVERT(source, 1251, 866, result);
  size_t length = strlen(result);
  size_t i;

  printf("CONVERT returned %d; %u bytes:", status, (unsigned)length);
  for (i = 0; i < length; ++i) printf(" %02X", (unsigned char)result[i]);
  printf("\n");
  /* A failed conversion shows only as an empty result. */
  return length == 0 ? 1 : 0;
}
