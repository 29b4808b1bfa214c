#!/usr/bin/env python3
"""One table of every speed goal from one run's outputs.

Reads, from the directory given, the Google Benchmark JSON files first_call.json,
convert.json, toolkit.json and files.json (medians of repetitions, CPU time) and the lines
"name nanoseconds" of the Windows timing program in win32_nul.txt and
win32_file.txt (medians of wall-clock batches under Wine). Each row compares one
benchmark with its baseline measured in the same run; the ratio is the
benchmark's time over the baseline's, except where the goal is a speed.

  bench/report.py build/bench/results            a plain-text table
  bench/report.py build/bench/results --markdown the same table in Markdown
Exit status 0 whatever the outcome; a missing input shows as "not measured".
"""

import json
import re
import sys
from pathlib import Path

UNIT_NS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
# Run options that Google Benchmark appends to a name; the rows name benchmarks without them.
OPTION = re.compile(r"/(min_time|iterations|repeats|min_warmup_time):[^/]*|/real_time")


def base_name(name):
    return OPTION.sub("", name)


def load_benchmarks(path):
    """name -> {"ns": CPU time per iteration, "bps": bytes per second, counters...}"""
    found = {}
    if not path.is_file():
        return found
    try:
        data = json.loads(path.read_text())
    except (OSError, ValueError):
        return found
    for entry in data.get("benchmarks", []):
        if entry.get("error_occurred"):
            continue
        aggregate = entry.get("aggregate_name")
        if entry.get("run_type") == "aggregate" and aggregate != "median":
            continue
        name = base_name(entry.get("run_name", entry["name"]))
        # A median, when there is one, wins over the single runs of that name.
        if aggregate != "median" and name in found and found[name].get("median"):
            continue
        values = dict(entry)
        values["ns"] = entry["cpu_time"] * UNIT_NS[entry.get("time_unit", "ns")]
        values["bps"] = entry.get("bytes_per_second")
        values["median"] = aggregate == "median"
        found[name] = values
    return found


def load_timings(path):
    found = {}
    if not path.is_file():
        return found
    for line in path.read_text().splitlines():
        parts = line.split()
        if len(parts) == 2:
            try:
                found[parts[0]] = {"ns": float(parts[1])}
            except ValueError:
                pass
    return found


def time_text(ns):
    for unit, size in (("s", 1e9), ("ms", 1e6), ("us", 1e3)):
        if ns >= size:
            return f"{ns / size:.3g} {unit}"
    return f"{ns:.3g} ns"


def rows(results):
    def ratio(goal, label, name, baseline_label, baseline, most):
        """time(name) / time(baseline) at most `most`."""
        a, b = results.get(name), results.get(baseline)
        if a is None or b is None:
            return [goal, label, baseline_label, "not measured", f"<= {most:.3g}", "missing"]
        value = a["ns"] / b["ns"]
        shown = f"{value:.2f} ({time_text(a['ns'])} / {time_text(b['ns'])})"
        return [goal, label, baseline_label, shown, f"<= {most:.3g}", "yes" if value <= most else "NO"]

    def speed(goal, label, name, least_gbps):
        a = results.get(name)
        if a is None or not a.get("bps"):
            return [goal, label, "-", "not measured", f">= {least_gbps:g} GB/s", "missing"]
        gbps = a["bps"] / 1e9
        return [goal, label, "-", f"{gbps:.2f} GB/s", f">= {least_gbps:g} GB/s", "yes" if gbps >= least_gbps else "NO"]

    def first_call(goal):
        label = "first call for a code page (slowest of every code page)"
        a = results.get("BM_FirstCall")
        if a is None or "slowest_us" not in a:
            return [goal, label, "-", "not measured", "< 50 us", "missing"]
        us = a["slowest_us"]
        return [goal, f"first call for a code page (slowest of {a.get('code_pages', 0):.0f})", "-", f"{us:.1f} us",
                "< 50 us", "yes" if us < 50 else "NO"]

    def per_byte(goal, label, name, baseline_label, baseline, most):
        """time per byte of `name` over that of `baseline`, at most `most`."""
        a, b = results.get(name), results.get(baseline)
        if a is None or b is None or not a.get("bps") or not b.get("bps"):
            return [goal, label, baseline_label, "not measured", f"<= {most:.3g}", "missing"]
        value = b["bps"] / a["bps"]
        shown = f"{value:.2f} ({a['bps'] / 1e6:.0f} MB/s / {b['bps'] / 1e6:.0f} MB/s)"
        return [goal, label, baseline_label, shown, f"<= {most:.3g}", "yes" if value <= most else "NO"]

    def worst(goal, label, name, baseline_label, most):
        """The worst of the ratios a benchmark measured in its counters."""
        a = results.get(name)
        if a is None or "worst_ratio" not in a:
            return [goal, label, baseline_label, "not measured", f"<= {most:.3g}", "missing"]
        value = a["worst_ratio"]
        shown = f"{value:.2f} (worst: {a.get('worst_code_page', 0):.0f}, of {a.get('code_pages', 0):.0f} code pages)"
        return [goal, label, baseline_label, shown, f"<= {most:.3g}", "yes" if value <= most else "NO"]

    def cpconv_memory(goal):
        a, back = results.get("cpconv_peak_kb"), results.get("cpconv_round_trip")
        label = "cpconv, 100 MB: peak memory; converted back gives the original"
        if a is None or back is None:
            return [goal, label, "-", "not measured", "< 32 MB, same bytes", "missing"]
        kb = a["ns"]
        same = back["ns"] == 1
        shown = f"{kb / 1000:.1f} MB, {'same bytes' if same else 'DIFFERENT bytes'}"
        return [goal, label, "-", shown, "< 32 MB, same bytes", "yes" if kb < 32000 and same else "NO"]

    mib16 = "/16777216"
    table = [
        ratio("1", "CONVERT@16, 100 B, trace to NUL (Wine)", "win32_convert_call_nul",
              "bare loop, same calls and 18 WriteFile", "win32_bare_call_nul", 1.15),
        ratio("1", "CONVERT@16, 100 B, trace to a file (Wine)", "win32_convert_call_file",
              "bare loop, same calls and 18 WriteFile", "win32_bare_call_file", 1.15),
        ratio("2", "CONVERT@16, 16 MiB 1251->866, trace to NUL (Wine)", "win32_convert_16mib_nul",
              "bare loop, same calls and 18 WriteFile", "win32_bare_16mib_nul", 1.3),
        ratio("2", "CONVERT@16, 16 MiB 1251->866, trace to NUL (Wine)", "win32_convert_16mib_nul",
              "bare loop taking its buffers per call", "win32_barefresh_16mib_nul", 1.3),
        ratio("3", "CONVERT, 100 B, trace to /dev/null (Linux)", "BM_ConvertCallDevNull",
              "bare loop, same stand-in calls and 18 write(2)", "BM_BareCallDevNull", 1.15),
        ratio("3", "CONVERT, 100 B, trace to a file (Linux)", "BM_ConvertCallFile",
              "bare loop, same stand-in calls and 18 write(2)", "BM_BareCallFile", 1.15),
        ratio("3", "CONVERT, 16 MiB 1251->866, trace to /dev/null (Linux)", "BM_Convert16MiB",
              "bare loop, same stand-in calls and 18 write(2)", "BM_Bare16MiB", 1.3),
        ratio("3", "CONVERT, 16 MiB 1251->866, trace to /dev/null (Linux)", "BM_Convert16MiB",
              "bare loop taking its buffers per call", "BM_BareFresh16MiB", 1.3),
        speed("4", "stand-in 1251->866 (decode + encode)", "BM_StandInSingleToSingle", 1.0),
        ratio("4", "stand-in 1251->866 (decode + encode)", "BM_StandInSingleToSingle",
              "iconv CP1251->CP866", "BM_IconvSingleToSingle", 0.25),
        speed("4", "stand-in 1251->UTF-16", "BM_StandInSingleToUtf16", 1.0),
        ratio("4", "stand-in 1251->UTF-16", "BM_StandInSingleToUtf16",
              "iconv CP1251->UTF-16LE", "BM_IconvSingleToUtf16", 0.25),
        speed("4", "stand-in UTF-16->1251", "BM_StandInUtf16ToSingle", 1.0),
        ratio("4", "stand-in UTF-16->1251", "BM_StandInUtf16ToSingle",
              "iconv UTF-16LE->CP1251", "BM_IconvUtf16ToSingle", 0.25),
        first_call("4"),
        per_byte("4", "CONVERT round trip, 4 MiB of Japanese in 932", "BM_RoundTrip932",
                 "the same of Cyrillic in 1251, per byte", "BM_RoundTrip1251", 2.0),
        per_byte("4", "CONVERT round trip, 4 MiB of Chinese in 936", "BM_RoundTrip936",
                 "the same of Cyrillic in 1251, per byte", "BM_RoundTrip1251", 2.0),
        worst("4", "stand-in decode, every code page iconv has (1 MiB)", "BM_EveryCodePageDecode",
              "iconv to UTF-16LE", 0.25),
        worst("4", "stand-in encode, every code page iconv has (1 MiB)", "BM_EveryCodePageEncode",
              "iconv from UTF-16LE", 0.25),
        ratio("5", "CountOccurrences, 16 MiB", "BM_CountOccurrences" + mib16,
              "memmem loop", "BM_CountByMemmem" + mib16, 1.5),
        ratio("5", "CountOccurrences, one-byte pattern, 16 MiB", "BM_CountOneByte" + mib16,
              "memmem loop", "BM_CountOneByteByMemmem" + mib16, 1.5),
        ratio("5", "CountOccurrences, adversarial, 16 MiB", "BM_AdversarialCount" + mib16,
              "memmem loop", "BM_AdversarialByMemmem" + mib16, 1.5),
        ratio("5", "ReplaceAll \",\" -> \";;\", 16 MiB", "BM_ReplaceAll" + mib16,
              "absl::StrReplaceAll (1.5x as fast)", "BM_ReplaceByAbsl" + mib16, 1 / 1.5),
        ratio("5", "ReplaceAll of a word, 16 MiB", "BM_ReplaceAllWord" + mib16,
              "absl::StrReplaceAll (1.5x as fast)", "BM_ReplaceWordByAbsl" + mib16, 1 / 1.5),
        ratio("5", "SplitText, 16 MiB", "BM_SplitText" + mib16,
              "absl::StrSplit into vector<string>", "BM_SplitByAbsl" + mib16, 1.0),
        ratio("5", "ReadLines, 200 MB", "ReadLines", "fread + memchr splitter", "SplitterFreadMemchr", 1.5),
        ratio("5", "ReadLines, 200 MB", "ReadLines", "std::getline (1.5x as fast)", "Getline", 1 / 1.5),
        ratio("5", "ReadWholeFile, 200 MB", "ReadWholeFile", "ftell + malloc + fread", "FtellMallocFread", 1.2),
        ratio("6", "cpconv -f cp1251 -t utf-8 FILE -o OUT, 100 MB", "cpconv_100mb",
              "iconv -f CP1251 -t UTF-8 FILE -o OUT", "iconv_100mb", 1.5),
        cpconv_memory("6"),
    ]
    return table


def main():
    if len(sys.argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    directory = Path(sys.argv[1])
    results = {}
    for name in ("first_call.json", "convert.json", "toolkit.json", "files.json"):
        results.update(load_benchmarks(directory / name))
    for name in ("win32_nul.txt", "win32_file.txt", "cpconv.txt"):
        results.update(load_timings(directory / name))
    header = ["Goal", "Benchmark", "Baseline", "Ratio (times)", "Wanted", "Met"]
    table = rows(results)
    if "--markdown" in sys.argv[2:]:
        print("| " + " | ".join(header) + " |")
        print("|" + "|".join("---" for _ in header) + "|")
        for row in table:
            print("| " + " | ".join(row) + " |")
    else:
        widths = [max(len(str(r[i])) for r in table + [header]) for i in range(len(header))]
        line = lambda r: "  ".join(str(c).ljust(w) for c, w in zip(r, widths)).rstrip()
        print(line(header))
        print(line(["-" * w for w in widths]))
        for row in table:
            print(line(row))
    met = sum(1 for r in table if r[5] == "yes")
    print(f"\n{met} of {len(table)} goals met")
    return 0


if __name__ == "__main__":
    sys.exit(main())
