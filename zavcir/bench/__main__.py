"""python3 -m zavcir.bench: the measurements and the figures (bench/run.sh)."""

from __future__ import annotations

import argparse
import collections
import os
import statistics
import subprocess
import sys
import time
from pathlib import Path

from zavcir.bench import __doc__ as BENCH_DOC
from zavcir.bench.dataset import DIST, INSTALLER, SAMPLE_INF, add_subkeys
from zavcir.bench.profile import profile
from zavcir.bench.runs import bench_prefix, expect_exit, launch, times
from zavcir.builds import WIN32_BUILD
from zavcir.exit_codes import SETUP_SUCCESS
from zavcir.wine import UNINSTALL_KEY, target as wine_target, wine_version

GOALS = {"startup": 1.2, "scan": 1.1, "size": 400 * 1024, "memory": 8 * 1024 * 1024}


def med(values: list[float]) -> float:
    return statistics.median(values)


def spread(values: list[float]) -> str:
    """The middle half of the values (quartiles), or min-max for few values."""
    if len(values) >= 8:
        q = statistics.quantiles(values, n=4)
        return f"{q[0]:.0f}-{q[2]:.0f}"
    return f"{min(values):.0f}-{max(values):.0f}"


def verdict(ok: bool) -> str:
    return "met" if ok else "MISSED"


def uptime() -> str:
    return subprocess.run(["uptime"], capture_output=True, text=True).stdout.strip()


def mib(n: float) -> str:
    return f"{n / 1048576:.2f}"


def paired_ratios(runs: list[dict[str, str]], a: str, b: str) -> list[float]:
    """a's time over b's in the same round (the two ran next to each other)."""
    by_round = collections.defaultdict(dict)
    for r in runs:
        if r["kind"] == "run":
            by_round[r["round"]][r["label"]] = float(r["ms"])
    return [v[a] / v[b] for v in by_round.values() if a in v and b in v]


def main() -> int:
    parser = argparse.ArgumentParser(description=BENCH_DOC.split("\n\n")[0])
    parser.add_argument("--build-dir", type=Path, required=True,
                        help="win32 build with Setup.exe and bench/ (target 'bench')")
    parser.add_argument("--sizes", default="1000,5000,10000", help="subkey counts, ascending")
    parser.add_argument("--startup-rounds", type=int, default=41)
    parser.add_argument("--rounds", default="41,21,21", help="rounds per size (one number or one per size)")
    parser.add_argument("--profile-size", type=int, default=100,
                        help="subkeys of the relay-trace profile (0: no profile)")
    parser.add_argument("--quick", action="store_true", help="small sizes, few rounds (development)")
    args = parser.parse_args()
    if args.quick:
        args.sizes, args.startup_rounds, args.rounds, args.profile_size = "100,300", 5, "3", 20
    sizes = [int(s) for s in args.sizes.split(",")]
    rounds = [int(r) for r in args.rounds.split(",")]
    rounds = rounds * len(sizes) if len(rounds) == 1 else rounds
    if len(rounds) != len(sizes) or sizes != sorted(sizes) or sizes[0] <= 0:
        parser.error("--rounds needs one number or one per size; --sizes positive, ascending")

    build = args.build_dir.resolve()
    setup_size = (build / "Setup.exe").stat().st_size
    inf = SAMPLE_INF.read_bytes()
    load_before = uptime()
    began = time.monotonic()
    target = wine_target()
    tested = ("the shipped 32-bit program" if target.bits == 32 else
              f"the 64-bit test build (never shipped), because {target.why_64}")
    if target.why_64:
        print(f"NOTE: the figures are of {tested}", flush=True)
    print(f"machine before: {load_before}", flush=True)

    prefix = bench_prefix(build)
    try:
        if prefix.reg_subkeys(UNINSTALL_KEY, 64):
            raise RuntimeError("the Uninstall key is not empty")

        jobs = {"setup": f"{DIST}\\Setup.exe /S",
                "minimal": f"C:\\bench\\minimal_app.exe {INSTALLER}",
                "bare": f"C:\\bench\\bare_scan.exe {INSTALLER}"}
        launch(prefix, jobs, 1)  # warm-up: file cache, Wine's DLLs
        print(f"start-up: {args.startup_rounds} rounds ...", flush=True)
        startup_runs = launch(prefix, jobs, args.startup_rounds)
        for label in jobs:
            expect_exit(startup_runs, label, 0)
        startup = {label: times(startup_runs, label) for label in jobs}
        memory = {0: launch(prefix, jobs, 1, memory=True)}

        scan_runs: dict[int, list[dict[str, str]]] = {}
        counts: dict[int, int] = {}
        done, packages = 0, 0
        # bare_scan a second time, under another label: the A/A control, whose ratio to
        # bare_scan shows how far the machine's noise alone moves a ratio.
        scan_jobs = {"setup": jobs["setup"], "bare": jobs["bare"], "control": jobs["bare"]}
        memory_jobs = {"setup": jobs["setup"], "bare": jobs["bare"]}
        for size, n in zip(sizes, rounds):
            t = time.monotonic()
            packages += add_subkeys(prefix, done, size, inf)
            done = size
            print(f"{size} subkeys ({packages} the package's) filled in "
                  f"{time.monotonic() - t:.1f} s; {n} rounds ...", flush=True)
            runs = launch(prefix, scan_jobs, n)
            expect_exit(runs, "setup", SETUP_SUCCESS)
            # Both scans found every entry of the package and read each one's DriverVer line.
            expect_exit(runs, "bare", (packages << 16) | packages)
            expect_exit(runs, "control", (packages << 16) | packages)
            scan_runs[size], counts[size] = runs, packages
            memory[size] = launch(prefix, memory_jobs, 1, memory=True)
        if len(prefix.reg_subkeys(UNINSTALL_KEY, 64)) != sizes[-1]:
            raise RuntimeError("the Uninstall key changed during the runs")
    finally:
        prefix.close()
    load_after = uptime()
    if args.profile_size:
        print("profile ...", flush=True)
    minutes = (time.monotonic() - began) / 60

    # ---- the figures --------------------------------------------------------------------------
    print()
    print(f"Wine {wine_version()}, 64-bit prefix, Windows 7; {os.cpu_count()} cores; "
          f"timed part took {minutes:.1f} min")
    print(f"program measured: {tested}")
    print(f"machine before: {load_before}")
    print(f"machine after:  {load_after}")
    print()
    print(f"Start-up, empty Uninstall key, {args.startup_rounds} interleaved rounds "
          "(ms from CreateProcess to exit; median [quartiles]):")
    for label, name in (("setup", "Setup.exe /S"), ("minimal", "minimal_app"),
                        ("bare", "bare_scan (no subkeys)")):
        print(f"  {name:24} {med(startup[label]):8.1f}   [{spread(startup[label])}]")
    ratio = med(startup["setup"]) / med(startup["minimal"])
    paired = med(paired_ratios(startup_runs, "setup", "minimal"))
    fastest = min(startup["setup"]) / min(startup["minimal"])
    print(f"  Setup.exe / minimal_app: {ratio:.2f} (medians); cross-checks: {paired:.2f} (median of "
          f"the rounds' ratios), {fastest:.2f} (fastest runs)   goal <= {GOALS['startup']}: "
          f"{verdict(ratio <= GOALS['startup'])}")
    print()

    print("Scan: Setup.exe /S (two scans + installer) against bare_scan (the same reads twice + "
          "installer); ms, medians:")
    print(f"  {'subkeys':>8} {'entries':>7} {'rounds':>6} {'Setup.exe':>10} {'bare_scan':>10} "
          f"{'ratio':>6} {'paired':>6} {'fastest':>7} {'A/A':>5} {'Setup-T0':>9} {'bare-T0':>8} {'ratio':>6} "
          f"{'Setup us/key':>12} {'bare us/key':>11}")
    t0_setup, t0_bare = med(startup["setup"]), med(startup["bare"])
    worst, per_key = 0.0, []
    for size, n in zip(sizes, rounds):
        runs = scan_runs[size]
        s, b = med(times(runs, "setup")), med(times(runs, "bare"))
        pr = med(paired_ratios(runs, "setup", "bare"))
        fr = min(times(runs, "setup")) / min(times(runs, "bare"))
        aa = med(times(runs, "control")) / b
        es, eb = s - t0_setup, b - t0_bare
        worst = max(worst, s / b)
        per_key.append((es / size * 1000, eb / size * 1000))
        print(f"  {size:>8} {counts[size]:>7} {n:>6} {s:>10.0f} {b:>10.0f} {s / b:>6.2f} {pr:>6.2f} "
              f"{fr:>7.2f} {aa:>5.2f} {es:>9.0f} {eb:>8.0f} {es / eb:>6.2f} {per_key[-1][0]:>12.1f} "
              f"{per_key[-1][1]:>11.1f}")
    print("  (ratio: of the medians; paired: median of the rounds' ratios; fastest: of the fastest "
          "runs;\n   A/A: bare_scan run a second time, over bare_scan: the noise alone; T0: the "
          "start-up\n   median with no subkeys; us/key: (T - T0) / subkeys, both scans together)")
    for size in sizes:
        print(f"  quartiles at {size}: Setup.exe [{spread(times(scan_runs[size], 'setup'))}], "
              f"bare_scan [{spread(times(scan_runs[size], 'bare'))}]")
    print(f"  worst ratio of the medians {worst:.2f}   goal <= {GOALS['scan']}: "
          f"{verdict(worst <= GOALS['scan'])}")
    setup_keys = [k[0] for k in per_key]
    bare_keys = [k[1] for k in per_key]
    relative = [a / b for a, b in per_key]
    # Linear: the cost per subkey does not rise with the size (beyond 15 % of noise),
    # and it nowhere rises above the bare reads' cost per subkey.
    linear = max(setup_keys) <= 1.15 * setup_keys[0] and max(relative) <= 1.15
    join = lambda values, fmt: " / ".join(fmt.format(v) for v in values)
    print(f"  per subkey at {join(sizes, '{}')}: Setup.exe {join(setup_keys, '{:.1f}')} us, "
          f"bare_scan {join(bare_keys, '{:.1f}')} us; Setup.exe / bare_scan "
          f"{join(relative, '{:.2f}')}")
    print(f"  linear (Setup.exe's cost per subkey never more than 15 % above its cost at the "
          f"first size, nor more than 15 % above bare_scan's): {'yes' if linear else 'NO'}")
    if len(sizes) > 1:
        marginal = []
        for s0, s1 in zip(sizes, sizes[1:]):
            ds = med(times(scan_runs[s1], "setup")) - med(times(scan_runs[s0], "setup"))
            db = med(times(scan_runs[s1], "bare")) - med(times(scan_runs[s0], "bare"))
            marginal.append(f"{s0}->{s1}: Setup.exe {ds / (s1 - s0) * 1000:.1f} us, "
                            f"bare_scan {db / (s1 - s0) * 1000:.1f} us")
        print("  added cost per added subkey: " + "; ".join(marginal))
    print()

    shipped = WIN32_BUILD / "Setup.exe"
    if target.bits == 32:
        print(f"Executable: Setup.exe {setup_size} bytes ({setup_size / 1024:.0f} KB)   goal <= 400 KB: "
              f"{verdict(setup_size <= GOALS['size'])}")
    else:  # the goal is the shipped program's
        print(f"Executable: the 64-bit test build's Setup.exe {setup_size} bytes ({setup_size / 1024:.0f} "
              "KB), no goal; the shipped one, " + (
                  f"{shipped}: {shipped.stat().st_size} bytes, goal <= 400 KB: "
                  f"{verdict(shipped.stat().st_size <= GOALS['size'])}" if shipped.is_file() else
                  "not built (cmake --preset win32 && cmake --build --preset win32)"))
    print("Peak memory, one sampled run each, MiB: peak working set (Wine: the Unix process's "
          "peak resident size,\n  Wine's own libraries included) / anonymous memory (Wine's "
          "PeakPagefileUsage: RssAnon, largest sample):")
    for size, runs in memory.items():
        print(f"  {size:>6} subkeys: " + ";  ".join(
            f"{r['label']} {mib(int(r['peak_ws']))} / {mib(int(r['peak_pagefile']))}" for r in runs))
    peak = lambda label, key: max(int(r[key]) for runs in memory.values() for r in runs
                                  if r["label"] == label)
    ws, anon = peak("setup", "peak_ws"), peak("setup", "peak_pagefile")
    ws_min, anon_min = peak("minimal", "peak_ws"), peak("minimal", "peak_pagefile")
    print(f"  Setup.exe largest: working set {mib(ws)} MiB ({(ws - ws_min) / 1048576:+.2f} against "
          f"minimal_app), anonymous {mib(anon)} MiB ({(anon - anon_min) / 1048576:+.2f})")
    print(f"  goal <= 8 MiB: anonymous memory {verdict(anon <= GOALS['memory'])}; beyond "
          f"minimal_app's working set {verdict(ws - ws_min <= GOALS['memory'])}; the working set "
          f"as Wine reports it {verdict(ws <= GOALS['memory'])} (minimal_app's: {mib(ws_min)} MiB)")
    print()
    if args.profile_size:
        profile(build, args.profile_size)
    return 0


if __name__ == "__main__":
    sys.exit(main())
