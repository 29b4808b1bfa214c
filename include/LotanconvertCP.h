/* LotanconvertCP: converts a zero-terminated text from one Windows code page to
   another. On Windows the library is LotanconvertCP.dll (link with
   libLotanconvertCP.dll.a, or load it and look up "CONVERT@16"); on Linux it is
   libLotanconvertCP.so (look up "CONVERT"). */
#ifndef LOTANCONVERTCP_H
#define LOTANCONVERTCP_H

#ifdef _WIN32
#define LOTANCONVERTCP_CALL __stdcall
#else
#define LOTANCONVERTCP_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Converts strIn (the bytes before its first zero byte; NULL counts as empty) from
   code page nFromCP to nToCP into strOut, followed by one zero byte, and returns 1
   in every case. strOut must hold 2 * strlen(strIn) + 1 bytes; it may be strIn
   itself; NULL means nothing is written. A failed conversion leaves strOut empty.
   Every call writes seven trace lines to standard output.
     char out[5]; CONVERT("\xC4\xE0", 1251, 866, out);   out = "\x84\xA0" */
int LOTANCONVERTCP_CALL CONVERT(const char* strIn, int nFromCP, int nToCP, char* strOut);

/* The function's type, for hosts that load the library at run time. */
typedef int(LOTANCONVERTCP_CALL* LotanconvertCPFunction)(const char* strIn, int nFromCP, int nToCP, char* strOut);

#ifdef __cplusplus
}
#endif

#endif
