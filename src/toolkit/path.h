// Path names: Windows-style paths taken apart and put together by searching
// bytes alone. The only separator is the backslash (0x5C), wherever it occurs;
// the forward slash is an ordinary byte. Nothing here touches the file system.
#pragma once

#include <string>

namespace toolkit {

// Every routine returns a new text and never throws (the empty text when memory
// runs out). Below, s is the position of the last backslash of the path and d
// that of its last "." (0 when there is none); d may lie in the directory part.

// The first s bytes: the directory with its final backslash; empty without one.
//   PathDirectory("C:\\dir\\file.txt") == "C:\\dir\\";  PathDirectory("file") == ""
std::string PathDirectory(const std::string& path);

// Everything after the last backslash: the whole path without one, empty when the
// path ends with one.
//   PathFileName("C:\\dir\\file.txt") == "file.txt";  PathFileName("C:\\dir\\") == ""
std::string PathFileName(const std::string& path);

// From the last dot of the path to its end, dot included, even when that dot lies
// in the directory part; empty when the path has no dot.
//   PathExtension("C:\\dir\\a.tar.gz") == ".gz";  PathExtension("C:\\my.dir\\file") == ".dir\\file"
std::string PathExtension(const std::string& path);

// The file name cut before its own last dot; empty when the file name has no dot
// (the empty text, not the name) or begins with its only dot.
//   PathBaseName("C:\\dir\\archive.tar.gz") == "archive.tar";  PathBaseName("C:\\dir\\.profile") == ""
std::string PathBaseName(const std::string& path);

// The first d - 1 bytes of the path, so the last dot is dropped; empty when the
// path has no dot (the empty text, not the path).
//   PathWithoutExtension("C:\\dir\\file.txt") == "C:\\dir\\file";  PathWithoutExtension("C:\\my.dir\\file") == "C:\\my"
std::string PathWithoutExtension(const std::string& path);

// Appends a backslash to the caller's `directory` itself unless it already ends
// with one (a final "/" does not count), then returns that directory followed by
// the file name of `path`.
//   directory "D:\\out": PathJoin("C:\\dir\\file.txt", directory) == "D:\\out\\file.txt", directory == "D:\\out\\"
//   directory "":        PathJoin("C:\\dir\\file.txt", directory) == "\\file.txt", directory == "\\"
std::string PathJoin(const std::string& path, std::string& directory);

// The directory of `path` followed by `name`.
//   PathReplaceFileName("C:\\dir\\file.txt", "new.dat") == "C:\\dir\\new.dat"
std::string PathReplaceFileName(const std::string& path, const std::string& name);

// The path without its extension followed by `extension`, which brings its own dot.
//   PathReplaceExtension("C:\\dir\\file.txt", ".bak") == "C:\\dir\\file.bak";
//   PathReplaceExtension("C:\\dir\\file", ".bak") == ".bak"
std::string PathReplaceExtension(const std::string& path, const std::string& extension);

// Each pair of backslashes, taken left to right, collapsed to one, then every
// backslash turned into "/": three or four backslashes in a row give "//".
//   PathToForwardSlashes("\\\\server\\share") == "/server/share";  PathToForwardSlashes("a/b\\c") == "a/b/c"
std::string PathToForwardSlashes(const std::string& path);

}  // namespace toolkit
