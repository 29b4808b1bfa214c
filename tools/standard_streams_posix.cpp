// POSIX streams carry bytes unchanged already.

#include "tools/standard_streams.h"

void UseBinaryStandardInput() {}
void UseBinaryStandardOutput() {}
