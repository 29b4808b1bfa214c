/* Silencing the trace from a Linux host: the library writes every trace line to
   descriptor 1 as it is at that moment, so the host points descriptor 1 at
   /dev/null around each call. Converts "Привет" from Windows-1251 to code page
   866 and prints only the result, in hex. */
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "LotanconvertCP.h"

/* CONVERT with descriptor 1 on /dev/null; 0 when the redirection fails. */
static int ConvertQuietly(const char* source, int from, int to, char* result) {
  int saved, null, status;
  fflush(stdout); /* what the host has printed goes out before the switch */
  saved = dup(STDOUT_FILENO);
  null = open("/dev/null", O_WRONLY);
  if (saved == -1 || null == -1 || dup2(null, STDOUT_FILENO) == -1) {
    if (saved != -1) close(saved);
    if (null != -1) close(null);
    return 0;
  }
  close(null);
  status = CONVERT(source, from, to, result);
  dup2(saved, STDOUT_FILENO);
  close(saved);
  return status;
}

int main(void) {
  const char source[] = "\xCF\xF0\xE8\xE2\xE5\xF2"; /* "Привет" in Windows-1251 */
  char result[2 * (sizeof source - 1) + 1];
  size_t length, i;

  if (!ConvertQuietly(source, 1251, 866, result)) {
    perror("cannot redirect standard output");
    return 2;
  }
  length = strlen(result);
  printf("silent, %u bytes:", (unsigned)length);
  for (i = 0; i < length; ++i) printf(" %02X", (unsigned char)result[i]);
  printf("\n");
  return length == 0 ? 1 : 0;
}
