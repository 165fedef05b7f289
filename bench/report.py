#!/usr/bin/env python3
"""Prints the benchmark table from the results of bench/run.sh.

usage: report.py RESULTS_DIR INPUTS_DIR
"""
import json
import os
import platform
import subprocess
import sys

results, inputs = sys.argv[1], sys.argv[2]


def group(name):
    with open(os.path.join(results, name + ".json")) as f:
        return json.load(f)["results"]


def read(name):
    with open(os.path.join(results, name)) as f:
        return f.read().strip()


def ms(seconds):
    return "%.1f ms" % (seconds * 1000) if seconds < 10 else "%.2f s" % seconds


def cpu(result):
    return ms(result["user"] + result["system"])


def verdict(ok):
    return "met" if ok else "MISSED"


def first_line(command):
    try:
        out = subprocess.run(command, capture_output=True, text=True)
        return (out.stdout or out.stderr).splitlines()[0].strip()
    except (OSError, IndexError):
        return "?"


def machine():
    model = "?"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    with open("/proc/meminfo") as f:
        mem_kib = int(f.readline().split()[1])
    with open("/proc/loadavg") as f:
        load = " ".join(f.read().split()[:3])
    distro = "?"
    if os.path.exists("/etc/os-release"):
        with open("/etc/os-release") as f:
            for line in f:
                if line.startswith("PRETTY_NAME="):
                    distro = line.split("=", 1)[1].strip().strip('"')
    return [
        "CPU: %s, %d cores; memory %.1f GiB; load average %s" %
        (model, os.cpu_count(), mem_kib / 1048576, load),
        "System: %s, Linux %s; compiler: %s" %
        (distro, platform.release(), first_line(["c++", "--version"])),
        "awk: %s; %s; %s" % (first_line(["awk", "-W", "version"]),
                             first_line(["hyperfine", "--version"]),
                             first_line(["wine", "--version"])),
    ]


rows = []


def row(number, what, median, cpu_time, memory, against, figure, target, ok):
    rows.append("| %s | %s | %s | %s | %s | %s | %s | %s | %s |" %
                (number, what, median, cpu_time, memory, against, figure,
                 target, verdict(ok) if ok is not None else "-"))


largest_m, awk_pass, largest_n = group("largest")
startup, true = group("startup")
start = startup["median"]

# 1. The largest script against one awk pass; its peak memory.
ratio = largest_m["median"] / awk_pass["median"]
script_bytes = os.path.getsize(os.path.join(inputs, "mix_32766.txt"))
journal_bytes = int(read("journal.bytes"))
limit_kib = (4 * (script_bytes + journal_bytes) + 8 * 1048576) / 1024
peak_m = int(read("largest_m.kib"))
row("1", "largest script, 32,766 lines, 50 printers, mode M, journal C",
    ms(largest_m["median"]), cpu(largest_m), "%d KiB" % peak_m,
    "awk one pass: %s (cpu %s)" % (ms(awk_pass["median"]), cpu(awk_pass)),
    "%.2f x awk" % ratio, "<= 3 x", ratio <= 3)
instructions = int(read("largest_m.ir"))
awk_instructions = int(read("awk.ir"))
row("1", "the same, in instructions (callgrind)", "", "", "",
    "awk one pass: %.1f M" % (awk_instructions / 1e6),
    "%.1f M, %.2f x awk" % (instructions / 1e6,
                            instructions / awk_instructions), "", None)
row("1", "peak memory of the same run", "", "", "%d KiB" % peak_m,
    "script %d B + journal %d B" % (script_bytes, journal_bytes),
    "%.2f of the limit" % (peak_m / limit_kib),
    "< 4 x (script + journal) + 8 MiB = %d KiB" % limit_kib,
    peak_m < limit_kib)

# 2. Lines: the cost per line, start-up taken off, should not grow.
sizes = [1000, 4000, 16000, 32000]
per_line = []
for size, result in zip(sizes, group("lines")):
    per_line.append((result["median"] - start) / size)
    row("2", "%d lines of the same mix" % size, ms(result["median"]),
        cpu(result), "", "", "%.2f us per line" % (per_line[-1] * 1e6), "",
        None)
growth = per_line[3] / per_line[1]
row("2", "lines: cost per line at 32,000 / at 4,000", "", "", "", "",
    "%.2f" % growth, "linear: <= 1.25", growth <= 1.25)

# 2. Wildcard: each operation reads the installed printers afresh, so N
# printers cost N reads of N names; the constant per pair should not grow.
printers = [250, 500, 1000, 2000]
per_pair = []
for count, result in zip(printers, group("wildcard")):
    per_pair.append((result["median"] - start) / count ** 2)
    row("2", "wildcard replacement over %d printers" % count,
        ms(result["median"]), cpu(result), "", "",
        "%.1f ns per printer x operation" % (per_pair[-1] * 1e9), "", None)
growth = per_pair[3] / per_pair[1]
row("2", "wildcard: constant at 2,000 / at 500", "", "", "", "",
    "%.2f" % growth, "O(N^2) reads: <= 1.25", growth <= 1.25)

# 3. Start-up.
extra = start - true["median"]
row("3", "one-line script, mode M", ms(start), cpu(startup), "",
    "/bin/true: %s" % ms(true["median"]), "%+.2f ms" % (extra * 1000),
    "< +5 ms", extra < 0.005)

# 4. The trace in mode N against the silent run.
ratio = largest_n["median"] / largest_m["median"]
row("4", "largest script, mode N (console trace to /dev/null)",
    ms(largest_n["median"]), cpu(largest_n),
    "%s KiB" % read("largest_n.kib"),
    "mode M: %s" % ms(largest_m["median"]), "%.2f x mode M" % ratio, "<= 2 x",
    ratio <= 2)

# 5. Quelmar.exe under Wine against an empty Win32 program; the empty
# program importing Quelmar.exe's GUI libraries shows what loading them costs.
empty, quelmar, gui_dlls = group("wine")
ratio = quelmar["median"] / empty["median"]
row("5", "Quelmar.exe under Wine, one-line script, mode M",
    ms(quelmar["median"]), cpu(quelmar), "",
    "empty Win32 program: %s (cpu %s)" % (ms(empty["median"]), cpu(empty)),
    "%.2f x (%+.1f ms)" % (ratio, (quelmar["median"] - empty["median"]) * 1000),
    "<= 1.10 x", ratio <= 1.10)
row("5", "empty program importing user32, gdi32, comctl32, shell32, winspool",
    ms(gui_dlls["median"]), cpu(gui_dlls), "",
    "empty Win32 program: %s" % ms(empty["median"]),
    "%.2f x; Quelmar.exe: %.2f x it" % (
        gui_dlls["median"] / empty["median"],
        quelmar["median"] / gui_dlls["median"]), "", None)
rows.append("| 6 | Linux quelmar on CUPS, 50 connections and removals | "
            "bench/cups/run.sh, as root (figures in bench/cups/README.md) "
            "| | | a loop of lpadmin | | 5 x faster | - |")

print("\n".join(machine()))
print()
print("| # | Benchmark | Median wall | User+sys (mean) | Peak memory | "
      "Compared with | Figure | Target | |")
print("|---|---|---|---|---|---|---|---|---|")
print("\n".join(rows))
