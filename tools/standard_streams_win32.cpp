// The runtime library's standard streams start in text mode; _setmode switches
// them to binary.

#include <fcntl.h>
#include <io.h>
#include <stdio.h>

#include "tools/standard_streams.h"

void UseBinaryStandardInput() { _setmode(_fileno(stdin), _O_BINARY); }
void UseBinaryStandardOutput() {
  fflush(stdout);
  _setmode(_fileno(stdout), _O_BINARY);
}
