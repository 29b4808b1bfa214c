// cpconv's standard streams and output files, one implementation per platform
// chosen by the build: binary streams (Windows streams translate line ends and
// stop at Ctrl+Z in text mode), the library's trace kept off the result, writes
// to a closed pipe that fail instead of ending the process, and -o files that
// replace their target only when complete.
#pragma once

#include <cstdio>
#include <string>

void UseBinaryStandardInput();
void UseBinaryStandardOutput();

// Makes a write to a pipe whose reader has gone fail with EPIPE instead of
// ending the process with a signal (Windows has no such signal).
void KeepBrokenPipesQuiet();

// Whether the write that has just failed went to a pipe whose reader has gone.
// Windows reports it as EINVAL from the runtime library, so the system's own
// error is what tells.
bool WriteHitClosedPipe();

// Points the standard output that the library writes its trace to at the null
// device and returns a binary stream on the original standard output, for the
// result. Call it before the library's first call: the Windows library takes the
// handle once. nullptr with errno set when it cannot be done.
//   std::FILE* result = SetTraceAside();   // CONVERT now traces to the null device
std::FILE* SetTraceAside();

// Creates a new empty file beside `path` (same folder, a name no file has),
// open for binary writing, and stores its name in `temporary`; nullptr with
// errno set on failure.
std::FILE* CreateFileBeside(const std::string& path, std::string& temporary);

// Puts `temporary` in the place of `path` in one step, replacing a file there.
// False with errno set on failure.
bool ReplaceWith(const std::string& temporary, const std::string& path);
