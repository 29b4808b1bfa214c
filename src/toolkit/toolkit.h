// The text toolkit in one include: the string array, splitting and fields,
// editing and replacing, path names and files. Every routine lives in namespace
// toolkit, takes its arguments by reference and reports failure only through
// its result (0 or the empty text); nothing throws out of it.
#pragma once

#include "text/text.h"
#include "toolkit/edit.h"
#include "toolkit/files.h"
#include "toolkit/path.h"
#include "toolkit/split.h"
#include "toolkit/string_array.h"
