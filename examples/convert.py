#!/usr/bin/env python3
"""Calls the conversion library through ctypes: converts "Привет" from
Windows-1251 to UTF-8 and prints it after the library's seven trace lines.
    python3 convert.py [LIBRARY]   (default: the library's name, found by the system)
"""
import ctypes
import sys

if sys.platform == "win32":
    # The DLL of the interpreter's kind (32- or 64-bit); WinDLL for stdcall, and
    # the name looked up with [] because attribute access cannot spell the "@".
    library = ctypes.WinDLL(sys.argv[1] if len(sys.argv) > 1 else "LotanconvertCP.dll")
    convert = library["CONVERT@16"]
else:
    library = ctypes.CDLL(sys.argv[1] if len(sys.argv) > 1 else "libLotanconvertCP.so")
    convert = library.CONVERT
convert.argtypes = [ctypes.c_char_p, ctypes.c_int, ctypes.c_int, ctypes.c_char_p]
convert.restype = ctypes.c_int

source = "Привет".encode("cp1251")
# The library writes up to 2 * n + 1 bytes and cannot check the size.
result = ctypes.create_string_buffer(2 * len(source) + 1)
convert(source, 1251, 65001, result)
if not result.value:
    sys.exit("the conversion failed")  # a failure shows only as an empty result
print(result.value.decode("utf-8"))
