/* The public header compiled as C: a C host calls the export through it. */

#include "LotanconvertCP.h"

int ConvertFromC(const char* source, int from, int to, char* result);

int ConvertFromC(const char* source, int from, int to, char* result) {
  LotanconvertCPFunction convert = CONVERT;
  return convert(source, from, to, result);
}
