// Windows layer: its call table, every entry named, in the order of platform::Calls;
// the warning set turns an entry left out into an error (missing initializer).

#include "platform/win32/entries.h"

namespace platform::detail {

constinit const Calls kLayerCalls{
    .Allocate = Allocate,
    .Release = Release,
    .SetErrno = SetErrno,
    .MultiByteToWide = MultiByteToWide,
    .WideToMultiByte = WideToMultiByte,
    .GetStandardHandle = GetStandardHandle,
    .GetConsoleMode = GetConsoleModeOf,
    .SetConsoleMode = SetConsoleModeOf,
    .GetConsoleInfo = GetConsoleInfo,
    .WriteFile = WriteFileTo,
    .BeginOutputSpan = NoSpan,
    .EndOutputSpan = NoSpan,
    .WriteConsoleCells = WriteConsoleCells,
    .ScrollConsole = ScrollConsole,
    .FillConsoleCharacter = FillConsoleCharacter,
    .FillConsoleAttribute = FillConsoleAttribute,
    .SetConsoleCursor = SetConsoleCursor,
    .SetConsoleWindow = SetConsoleWindow,
    .Beep = BeepFor,
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
    .FindAny = FindFirst,  // the runtime's own order is already the cheapest
    .FindNext = FindNext,
    .FindClose = FindClose,
};

}  // namespace platform::detail
