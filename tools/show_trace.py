#!/usr/bin/env python3
"""Shows what one cpconv run put out: the seven trace lines, each text value in
its code page with its bytes in hex beside it, and the result.

    show_trace.py TRACE_FILE RESULT_FILE FROM TO
"""
import sys

CODECS = {437: "cp437", 850: "cp850", 866: "cp866", 1251: "cp1251", 1252: "cp1252", 20866: "koi8_r", 65001: "utf-8"}
LABELS = ["nLen=", "strDst=", "strRet=", "nRet=", "strRet=", "nRet=", "strOut="]
ROW = 16


def characters(data, codepage):
    """Splits the bytes into (character, bytes) pairs; bytes the code page does not
    decode stand alone."""
    codec = CODECS.get(codepage, "latin-1")
    text = data.decode(codec, errors="surrogateescape")
    for ch in text:
        raw = ch.encode(codec, errors="surrogateescape")
        shown = ch if ch.isprintable() and not 0xDC80 <= ord(ch) <= 0xDCFF else "."
        yield shown, raw


def hex_rows(data, codepage, indent):
    """Rows of at most 16 bytes, hex on the left and the characters on the right;
    a character is never split across rows."""
    row_hex, row_text, count = [], [], 0
    for shown, raw in characters(data, codepage):
        if count + len(raw) > ROW and count:
            print(f"{indent}{' '.join(row_hex):<{ROW * 3}}  {''.join(row_text)}")
            row_hex, row_text, count = [], [], 0
        row_hex += [f"{b:02X}" for b in raw]
        row_text.append(shown)
        count += len(raw)
    if count:
        print(f"{indent}{' '.join(row_hex):<{ROW * 3}}  {''.join(row_text)}")


def main():
    trace_path, result_path, source, target = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
    trace = open(trace_path, "rb").read()
    result = open(result_path, "rb").read()
    lines = trace.split(b"\r\n")
    if lines and lines[-1] == b"":
        lines.pop()
    print(f"  trace: {len(trace)} bytes, {len(lines)} lines ending in CR LF")
    for number, line in enumerate(lines, 1):
        label = LABELS[number - 1].encode() if number <= len(LABELS) else b""
        value = line[len(label):] if line.startswith(label) else line
        name = label.decode() or "?"
        if name in ("nLen=", "nRet="):
            print(f"  {number} {name}{value.decode('ascii', 'replace')}")
            continue
        if number in (2, 3) and value and len(set(value)) == 1:
            print(f"  {number} {name}{value[:1].decode()} x {len(value)}")
            continue
        codepage = target if number in (5, 7) else source
        print(f"  {number} {name}  ({len(value)} bytes, code page {codepage})")
        hex_rows(value, codepage, "      ")
    print(f"  result: {len(result)} bytes in code page {target}")
    hex_rows(result, target, "      ")


if __name__ == "__main__":
    main()
