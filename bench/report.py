#!/usr/bin/env python3
"""Prints the benchmark's table of medians and ratios from the samples that scripts/bench
collected, one tab-separated sample per line:

    download <size MB> <mode> <bytes> <seconds> <peak working set> <peak private bytes>
    server   <name> <bytes> <seconds>
    window   <name> <milliseconds> <exit code>

    report.py <samples file>
"""
import statistics
import sys
from collections import defaultdict

MIB = 1 << 20

DOWNLOAD_MODES = [
    ("dialog", "HttpGetToFile, progress dialog as sink"),
    ("program", "HttpGetToFile, no sink"),
    ("wininet", "plain WinInet loop (program's flags)"),
    ("winsock", "plain Winsock loop"),
    ("curl", "native curl on Linux"),
    ("wininet-nocache", "plain WinInet + NO_CACHE_WRITE"),
    ("dialog-range-once", "dialog, range set once"),
    ("dialog-visible-step", "dialog, sends per visible step"),
]

RATIOS = [
    ("dialog", "wininet", "progress-dialog download / plain WinInet", 0.9),
    ("program", "wininet", "no-sink download / plain WinInet", 0.97),
    ("wininet", "winsock", "plain WinInet / Winsock", None),
    ("winsock", "curl", "Winsock / curl", None),
    ("wininet-nocache", "wininet", "WinInet without cache write / with", None),
    ("dialog-visible-step", "wininet", "dialog sending per visible step / WinInet", 0.9),
]


def load(path):
    downloads = defaultdict(list)  # (size, mode) -> [(mbps, ws, private)]
    servers = defaultdict(list)
    windows = defaultdict(list)
    failures = []
    with open(path) as samples:
        for line in samples:
            fields = line.rstrip("\n").split("\t")
            kind = fields[0]
            if kind == "download":
                size, mode, nbytes, seconds, ws, private = fields[1:7]
                nbytes, seconds = int(nbytes), float(seconds)
                if nbytes != int(size) * MIB or seconds <= 0:
                    failures.append(line.strip())
                    continue
                downloads[(int(size), mode)].append(
                    (nbytes / MIB / seconds, int(ws), int(private)))
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
    return downloads, servers, windows, failures


def median(values):
    return statistics.median(values) if values else None


def cell(value, fmt="{:9.1f}"):
    return fmt.format(value) if value is not None else "        -"


def main():
    downloads, servers, windows, failures = load(sys.argv[1])
    sizes = sorted({size for size, _ in downloads})
    runs = max((len(v) for v in downloads.values()), default=0)

    print(f"Download throughput, MiB/s (median of {runs} runs; 8 KiB reads)")
    print(f"  {'':61}" + "".join(f"{str(s) + ' MiB':>10}" for s in sizes))
    speed = {}
    for mode, label in DOWNLOAD_MODES:
        row = [median([s[0] for s in downloads.get((size, mode), [])]) for size in sizes]
        if all(v is None for v in row):
            continue
        speed.update({(size, mode): v for size, v in zip(sizes, row)})
        print(f"  {mode + ':':21}{label:40}" + "".join(" " + cell(v) for v in row))
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
        print(f"  {label:61}" + "".join(" " + cell(v, "{:9.3f}") for v in row) + verdicts)
    print()

    # The progress dialog's cost, counted: every 8 KiB chunk makes one progress report, and the
    # program's dialog answers each with two synchronous sends to the main thread.
    print("Cost of the progress dialog (median times; two synchronous sends per 8 KiB chunk)")
    for size in sizes:
        dialog = downloads.get((size, "dialog"))
        plain = downloads.get((size, "program"))
        if not dialog or not plain:
            continue
        sends = 2 * size * MIB // 8192
        extra = size / speed[(size, "dialog")] - size / speed[(size, "program")]
        print(f"  {size:4} MiB: {sends:7} sends, {extra:7.2f} s more than without sink,"
              f" {extra / sends * 1e6:7.1f} us per send")
    print()

    if servers:
        print("Servers on 127.0.0.1 (curl to /dev/null, MiB/s, median)")
        for name, values in sorted(servers.items()):
            print(f"  {name:42} {median(values):9.1f}")
        print()

    print("Peak memory of the downloading process, KiB (largest of the runs)")
    print(f"  {'':28}{'working set':>24}{'private bytes':>26}")
    for mode in ("program", "dialog"):
        if (sizes[0], mode) not in downloads or (sizes[-1], mode) not in downloads:
            continue
        small = downloads[(sizes[0], mode)]
        large = downloads[(sizes[-1], mode)]
        ws = [max(s[1] for s in small) // 1024, max(s[1] for s in large) // 1024]
        pv = [max(s[2] for s in small) // 1024, max(s[2] for s in large) // 1024]
        verdict = "met" if max(ws[1] - ws[0], pv[1] - pv[0]) <= 2048 else "MISSED"
        print(f"  {mode:10}{sizes[0]:>5} / {sizes[-1]} MiB:"
              f"{ws[0]:>9} /{ws[1]:>7} ({ws[1] - ws[0]:+d})"
              f"{pv[0]:>9} /{pv[1]:>7} ({pv[1] - pv[0]:+d})   goal growth <= 2048: {verdict}")
    print()

    if windows:
        print("Time to the first window, ms (median; from CreateProcessW until it is visible)")
        for name, values in sorted(windows.items()):
            print(f"  {name:42} {median(values):9.1f}   (runs: "
                  + " ".join(f"{v:.0f}" for v in values) + ")")
        offer, box = median(windows.get("updater offer dialog", [])), median(
            windows.get("minimal message box", []))
        if offer and box:
            ratio = offer / box
            print(f"  {'offer / message box':42} {ratio:9.2f}   goal <= 1.5: "
                  + ("met" if ratio <= 1.5 else "MISSED"))
        print()

    if failures:
        print("Failed samples (left out above):")
        for line in failures:
            print("  " + line)
        print()


if __name__ == "__main__":
    main()
