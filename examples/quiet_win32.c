/* Silencing the trace from a Windows host: the library takes standard output
   at its first trace line and keeps that handle until it is unloaded, so one
   call made while standard output is NUL silences every later call, and the
   host gets its own standard output back at once. Converts "Привет" from
   Windows-1251 to code page 866 and prints only the result, in hex. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include "LotanconvertCP.h"

int main(void) {
  const char source[] = "\xCF\xF0\xE8\xE2\xE5\xF2"; /* "Привет" in Windows-1251 */
  char result[2 * (sizeof source - 1) + 1];
  HANDLE mine = GetStdHandle(STD_OUTPUT_HANDLE);
  /* Never closed: the library writes to it for as long as it is loaded. */
  HANDLE nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
  size_t length, i;

  if (nul == INVALID_HANDLE_VALUE) {
    fprintf(stderr, "cannot open NUL (error %lu)\n", (unsigned long)GetLastError());
    return 2;
  }
  SetStdHandle(STD_OUTPUT_HANDLE, nul);
  CONVERT("", 1252, 1252, NULL); /* the library takes NUL for good here */
  SetStdHandle(STD_OUTPUT_HANDLE, mine);

  CONVERT(source, 1251, 866, result); /* no trace */
  length = strlen(result);
  printf("silent, %u bytes:", (unsigned)length);
  for (i = 0; i < length; ++i) printf(" %02X", (unsigned char)result[i]);
  printf("\n");
  return length == 0 ? 1 : 0;
}
