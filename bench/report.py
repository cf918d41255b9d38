#!/usr/bin/env python3
"""Prints the benchmark's table of medians and ratios from the samples that scripts/bench
collected, one tab-separated sample per line:

    download <size MB> <mode> <bytes> <seconds> <peak working set> <peak private bytes>
             <seconds inside the dialog's OnPositionChanged, -1 without the dialog>
    slow     <server rate, bytes/s> <bytes> <seconds> <position updates> <longest gap, s>
    kept     <size> <first byte the second run asked for, 0 without Range, -1 no request>
             <the bar's fraction when the first run was ended> <the second run's exit code>
    server   <name> <bytes> <seconds>
    window   <name> <milliseconds> <exit code>
    stamp    <name> <step> <milliseconds since CreateProcessW>

    report.py <samples file>
"""
import statistics
import sys
from collections import defaultdict

MIB = 1 << 20

DOWNLOAD_MODES = [
    ("dialog", "HttpGetToFile, progress dialog as sink"),
    ("program", "HttpGetToFile, no sink"),
    ("wininet", "plain WinInet loop, 256 KiB, no cache"),
    ("winsock", "plain Winsock loop, 256 KiB"),
    ("curl", "native curl on Linux"),
    ("wininet-8k", "earlier WinInet loop, 8 KiB, cache"),
]

RATIOS = [
    ("dialog", "wininet", "progress-dialog download / plain WinInet", 0.9),
    ("program", "wininet", "no-sink download / plain WinInet", 0.97),
    ("dialog", "curl", "progress-dialog download / native curl", 0.8),
    ("dialog", "program", "progress-dialog download / no-sink download", 0.95),
    ("wininet", "winsock", "plain WinInet / Winsock", None),
    ("winsock", "curl", "Winsock / curl", None),
    # The reference loop before the program sized its reads and stopped writing the cache.
    ("wininet", "wininet-8k", "plain WinInet / earlier 8 KiB loop", None),
]

SLOW_LINK_GAP_GOAL = 0.5  # seconds between two position updates of the dialog, at most
KEPT_REQUESTED_GOAL = 0.55  # of a download killed at half, asked for again by the next run

# Rows of the time-to-window table, in this order; the first is set against the second.
WINDOWS = [
    "updater offer dialog",
    "minimal message box",
    "updater error box, refused (-3)",
    "updater error box, no URL (-2)",
    "message box after loading the DLLs",
    "stamped updater, offer dialog",
    "stamped updater, error box (-3)",
]
YARDSTICK = "minimal message box"

LABEL_WIDTH = 61


def load(path):
    downloads = defaultdict(list)  # (size, mode) -> [(mbps, seconds, ws, private, in dialog)]
    slow = defaultdict(list)  # rate -> [(bytes, seconds, updates, longest gap)]
    servers = defaultdict(list)
    kept = []  # (size, first byte asked for, bar when killed)
    windows = defaultdict(list)
    stamps = defaultdict(lambda: defaultdict(list))  # name -> step -> [ms], steps in order
    failures = []
    with open(path) as samples:
        for line in samples:
            fields = line.rstrip("\n").split("\t")
            kind = fields[0]
            if kind == "download":
                size, mode, nbytes, seconds, ws, private, in_dialog = fields[1:8]
                nbytes, seconds = int(nbytes), float(seconds)
                if nbytes != int(size) * MIB or seconds <= 0:
                    failures.append(line.strip())
                    continue
                downloads[(int(size), mode)].append(
                    (nbytes / MIB / seconds, seconds, int(ws), int(private), float(in_dialog)))
            elif kind == "slow":
                rate, nbytes, seconds, updates, gap = fields[1:6]
                if int(nbytes) <= 0 or float(gap) < 0:
                    failures.append(line.strip())
                    continue
                slow[int(rate)].append((int(nbytes), float(seconds), int(updates), float(gap)))
            elif kind == "kept":
                size, start, killed_at, exit_code = fields[1:5]
                if int(start) < 0 or float(killed_at) < 0 or exit_code != "0":
                    failures.append(line.strip())
                    continue
                kept.append((int(size), int(start), float(killed_at)))
            elif kind == "server":
                name, nbytes, seconds = fields[1:4]
                if float(seconds) > 0 and int(nbytes) > 0:
                    servers[name].append(int(nbytes) / MIB / float(seconds))
            elif kind == "window":
                name, ms, exit_code = fields[1:4]
                if float(ms) < 0:
                    failures.append(line.strip())
                else:
                    windows[name].append(float(ms))
            elif kind == "stamp":
                name, step, ms = fields[1:4]
                stamps[name][step].append(float(ms))
    return downloads, slow, kept, servers, windows, stamps, failures


def median(values):
    return statistics.median(values) if values else None


def cell(value, fmt="{:9.1f}"):
    return fmt.format(value) if value is not None else "        -"


def print_downloads(downloads, sizes):
    print("Download throughput, MiB/s (median; reads of 256 KiB, the program's sized to the link"
          " up to that; wininet-8k: 8 KiB)")
    print(f"  {'':{LABEL_WIDTH}}" + "".join(f"{str(s) + ' MiB':>10}" for s in sizes))
    runs = [max((len(v) for (s, _), v in downloads.items() if s == size), default=0)
            for size in sizes]
    print(f"  {'runs':{LABEL_WIDTH}}" + "".join(f"{r:>10}" for r in runs))
    speed = {}
    for mode, label in DOWNLOAD_MODES:
        row = [median([s[0] for s in downloads.get((size, mode), [])]) for size in sizes]
        if all(v is None for v in row):
            continue
        speed.update({(size, mode): v for size, v in zip(sizes, row)})
        print(f"  {mode + ':':21}{label:40}" + "".join(" " + cell(v) for v in row))
    # A median of a few runs hides a slow run or two; the range shows whether a ratio below
    # is a difference or the machine's scatter.
    print("  range of the runs (slowest-fastest)")
    for mode, _ in DOWNLOAD_MODES:
        runs = [[s[0] for s in downloads.get((size, mode), [])] for size in sizes]
        if any(runs):
            print(f"  {mode + ':':{LABEL_WIDTH}}" + "".join(
                f"{f'{min(r):.0f}-{max(r):.0f}' if r else '-':>10}" for r in runs))
    print()
    print("Ratios (of the medians above)")
    for top, bottom, label, goal in RATIOS:
        row = []
        for size in sizes:
            a, b = speed.get((size, top)), speed.get((size, bottom))
            row.append(a / b if a and b else None)
        if all(v is None for v in row):
            continue
        verdicts = ""
        if goal is not None:
            met = [v >= goal for v in row if v is not None]
            verdicts = f"  goal >= {goal}: " + ("met" if all(met) else "MISSED")
        print(f"  {label:{LABEL_WIDTH}}" + "".join(" " + cell(v, "{:9.3f}") for v in row)
              + verdicts)
    print()


def print_dialog_cost(downloads, sizes):
    # What the dialog adds to the same transfer: both time HttpGetToFile alone. The time inside
    # the dialog's OnPositionChanged is measured within each run, free of the runs' scatter.
    print("Extra time of the progress dialog (median seconds of HttpGetToFile; of it inside"
          " OnPositionChanged)")
    for size in sizes:
        dialog = median([s[1] for s in downloads.get((size, "dialog"), [])])
        plain = median([s[1] for s in downloads.get((size, "program"), [])])
        if dialog is None or plain is None:
            continue
        extra = dialog - plain
        inside = median([s[4] for s in downloads[(size, "dialog")]])
        print(f"  {size:4} MiB: with dialog {dialog:7.3f} s, without sink {plain:7.3f} s,"
              f" extra {extra:+7.3f} s ({extra / plain:+6.1%}); inside {inside:6.3f} s"
              f" ({inside / dialog:5.1%})")
    print()


def print_slow_link(slow):
    # Every run is judged: the longest gap of the worst run must stay within the goal.
    print("Slow link: progress dialog, server pacing its sending (longest gap between two"
          " position updates, first to last)")
    for rate, runs in sorted(slow.items()):
        gaps = [r[3] for r in runs]
        worst = max(gaps)
        verdict = "met" if worst <= SLOW_LINK_GAP_GOAL else "MISSED"
        print(f"  {rate // 1024} KiB/s, {runs[0][0] // 1024} KiB, {len(runs)} runs:"
              f" {median([r[1] for r in runs]):.1f} s,"
              f" {median([r[2] for r in runs]):.0f} updates (median)")
        print(f"  {'longest gap, s (each run)':{LABEL_WIDTH}}"
              + "".join(f" {g:6.3f}" for g in gaps)
              + f"  goal <= {SLOW_LINK_GAP_GOAL}: {verdict}")
    print()


def print_kept(kept):
    # Every run is judged: what the second run asks for is the rest of what the first one kept.
    print(f"A download ended with its process at half and continued by a new run"
          f" ({kept[0][0] // MIB} MiB, {len(kept)} runs)")
    requested = [(size - start) / size for size, start, _ in kept]
    verdict = "met" if max(requested) <= KEPT_REQUESTED_GOAL else "MISSED"
    print(f"  {'bar when the first run was ended (each run)':{LABEL_WIDTH}}"
          + "".join(f" {k[2]:6.3f}" for k in kept))
    print(f"  {'bytes requested by the second run / size (each run)':{LABEL_WIDTH}}"
          + "".join(f" {r:6.3f}" for r in requested)
          + f"  goal <= {KEPT_REQUESTED_GOAL}: {verdict}")
    print()


def print_memory(downloads, sizes):
    print("Peak memory of the downloading process, KiB (largest of the runs)")
    print(f"  {'':28}{'working set':>24}{'private bytes':>26}")
    for mode in ("program", "dialog"):
        if (sizes[0], mode) not in downloads or (sizes[-1], mode) not in downloads:
            continue
        small = downloads[(sizes[0], mode)]
        large = downloads[(sizes[-1], mode)]
        ws = [max(s[2] for s in small) // 1024, max(s[2] for s in large) // 1024]
        pv = [max(s[3] for s in small) // 1024, max(s[3] for s in large) // 1024]
        verdict = "met" if max(ws[1] - ws[0], pv[1] - pv[0]) <= 2048 else "MISSED"
        print(f"  {mode:10}{sizes[0]:>5} / {sizes[-1]} MiB:"
              f"{ws[0]:>9} /{ws[1]:>7} ({ws[1] - ws[0]:+d})"
              f"{pv[0]:>9} /{pv[1]:>7} ({pv[1] - pv[0]:+d})   goal growth <= 2048: {verdict}")
    print()


def print_windows(windows):
    print("Time to the first window, ms (median; from CreateProcessW until it is visible)")
    box = median(windows.get(YARDSTICK, []))
    names = [n for n in WINDOWS if n in windows] + sorted(set(windows) - set(WINDOWS))
    for name in names:
        values = windows[name]
        ratio = f"{median(values) / box:5.2f} x box" if box else ""
        print(f"  {name:36} {median(values):7.1f} {ratio:>11}   (runs: "
              + " ".join(f"{v:.0f}" for v in values) + ")")
    offer = median(windows.get("updater offer dialog", []))
    if offer and box:
        ratio = offer / box
        print(f"  {'offer / message box':36} {ratio:7.2f}   goal <= 1.5: "
              + ("met" if ratio <= 1.5 else "MISSED"))
    print()


def print_stamps(windows, stamps):
    # Each program's own timestamps, then the launcher's "visible"; every step with the time it
    # took since the one before.
    print("Where the time goes, ms since CreateProcessW (median of each step; step's own time)")
    for name in [n for n in WINDOWS if n in stamps] + sorted(set(stamps) - set(WINDOWS)):
        print(f"  {name}")
        steps = [(step, median(values)) for step, values in stamps[name].items()]
        if windows.get(name):
            steps.append(("visible to the launcher", median(windows[name])))
        before = 0.0
        for step, ms in steps:
            print(f"    {step:40} {ms:7.1f} {ms - before:+7.1f}")
            before = ms
    print()


def main():
    downloads, slow, kept, servers, windows, stamps, failures = load(sys.argv[1])
    sizes = sorted({size for size, _ in downloads})
    if sizes:
        print_downloads(downloads, sizes)
        print_dialog_cost(downloads, sizes)
    if slow:
        print_slow_link(slow)
    if kept:
        print_kept(kept)
    if servers:
        print("Servers on 127.0.0.1 (curl to /dev/null, MiB/s, median)")
        for name, values in sorted(servers.items()):
            print(f"  {name:46} {median(values):9.1f}")
        print()
    if sizes:
        print_memory(downloads, sizes)
    if windows:
        print_windows(windows)
    if stamps:
        print_stamps(windows, stamps)
    if failures:
        print("Failed samples (left out above):")
        for line in failures:
            print("  " + line)
        print()


if __name__ == "__main__":
    main()
