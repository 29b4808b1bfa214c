// POSIX layer: its call table, every entry named, in the order of platform::Calls;
// the warning set turns an entry left out into an error (missing initializer).

#include "platform/posix/entries.h"

namespace platform::detail {

constinit const Calls kLayerCalls{
    .Allocate = Allocate,
    .Release = Release,
    .SetErrno = SetErrno,
    .MultiByteToWide = MultiByteToWide,
    .WideToMultiByte = WideToMultiByte,
    .GetStandardHandle = GetStandardHandle,
    .GetConsoleMode = NoConsoleMode,
    .SetConsoleMode = NoSetConsoleMode,
    .GetConsoleInfo = NoConsoleInfo,
    .WriteFile = WriteFile,
    .BeginOutputSpan = BeginOutputSpan,
    .EndOutputSpan = EndOutputSpan,
    .WriteConsoleCells = NoCells,
    .ScrollConsole = NoScroll,
    .FillConsoleCharacter = NoFillCharacter,
    .FillConsoleAttribute = NoFillAttribute,
    .SetConsoleCursor = NoCursor,
    .SetConsoleWindow = NoWindow,
    .Beep = NoBeep,
    .SetLoadingThreadFloatingPoint = SetLoadingThreadFloatingPoint,
    .RegisterExitAction = RegisterExitAction,
    .FlushAllStreams = FlushAllStreams,
    .Open = Open,
    .SetFullBuffering = SetFullBuffering,
    .Read = Read,
    .Seek = Seek,
    .Tell = Tell,
    .AtEnd = AtEnd,
    .Failed = Failed,
    .Close = Close,
    .FindFirst = FindFirst,
    .FindAny = FindAny,
    .FindNext = FindNext,
    .FindClose = FindClose,
};

}  // namespace platform::detail
