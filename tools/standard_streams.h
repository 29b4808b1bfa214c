// Puts cpconv's standard streams into binary mode, so that no byte of a text or a
// result is translated on its way (Windows streams translate line ends and stop
// at Ctrl+Z in text mode). One file per platform, chosen by the build.
#pragma once

void UseBinaryStandardInput();
void UseBinaryStandardOutput();
