#!/usr/bin/python3
r"""Speed benchmark of Setup.exe under Wine: start-up cost, scan cost against the
size of the "Uninstall" key, executable size and peak memory.

Everything is timed inside Wine by bench_launcher.exe (QueryPerformanceCounter
from CreateProcessA to the end of the wait), in one 64-bit Windows 7 prefix,
with the programs interleaved round after round; the figures are medians.
Where Wine cannot run 32-bit programs (or with SETUP_TESTS_WITHOUT_32BIT=1),
bench/run.sh builds the 64-bit test build instead and the figures say so.

    /usr/bin/python3 bench/bench.py --build-dir DIR [--quick] [--sizes 1000,5000,10000]

Normally started through bench/run.sh, which builds the programs first.
"""

from __future__ import annotations

import argparse
import collections
import os
import re
import shutil
import statistics
import subprocess
import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "wine"))

import wineprefix  # noqa: E402  (the Wine harness of the end-to-end tests)

UNINSTALL_KEY = wineprefix.UNINSTALL_KEY
DIST = "C:\\dist"
INSTALLER = f'"{DIST}\\Win7_64\\DPInst.exe" /LM /SW /F'  # as Setup.exe forms it
PACKAGE_SHARE = 20  # every 20th subkey is the package's: 5 %
STORE = "DriverStore/FileRepository"
GOALS = {"startup": 1.2, "scan": 1.1, "size": 400 * 1024, "memory": 8 * 1024 * 1024}


# ---- the data set -------------------------------------------------------------------------------

def _hex(i: int, salt: int, digits: int) -> str:
    """Deterministic hex digits for subkey i (a 64-bit mix, repeated as needed)."""
    out, x = "", (i * 0x9E3779B97F4A7C15 + salt) & 0xFFFFFFFFFFFFFFFF
    while len(out) < digits:
        x ^= x >> 31
        x = (x * 0xBF58476D1CE4E5B9) & 0xFFFFFFFFFFFFFFFF
        x ^= x >> 29
        out += f"{x:016X}"
    return out[:digits]


def _reg_text(text: str) -> str:
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def subkey(i: int) -> tuple[str, dict[str, str], str | None]:
    """Subkey i of the data set: its name, its values and, for the package's
    entries, the name of its driver-store folder."""
    if i % PACKAGE_SHARE == 0:
        folder = "zavcir.inf_amd64_" + _hex(i, 1, 16).lower()
        return (_hex(i, 2, 40), {
            "DisplayName": "ZAV CIR Receiver Driver",
            "DisplayVersion": "1.0.0.0",
            "Publisher": "ZAV",
            "UninstallString": rf"{DIST}\Win7_64\DPInst.exe /u C:\Windows\System32\DriverStore"
                               rf"\FileRepository\{folder}\zavcir.inf",
        }, folder)
    guid = _hex(i, 3, 32)
    guid = f"{{{guid[:8]}-{guid[8:12]}-{guid[12:16]}-{guid[16:20]}-{guid[20:]}}}"
    if i % 3 == 0:
        command = f"MsiExec.exe /X{guid}"
    elif i % 3 == 1:
        command = f'"C:\\Program Files\\Vendor {i % 97}\\Application {i}\\uninstall.exe" /remove'
    else:
        command = f"C:\\Program Files (x86)\\Tool {i}\\unins000.exe"
    name = guid if i % 2 else f"Application {i:05d}"
    return name, {"DisplayName": f"Application {i}", "DisplayVersion": f"{i % 10}.{i % 7}.{i}",
                  "Publisher": f"Vendor {i % 97}", "UninstallString": command}, None


def add_subkeys(prefix: wineprefix.WinePrefix, start: int, stop: int, inf: bytes) -> int:
    """Adds subkeys start..stop-1 (64-bit view) with one reg import, and the
    package's INF files in the real System32's driver store. Returns how many of
    them are the package's."""
    lines = ["REGEDIT4", ""]
    store = prefix.system32() / STORE
    packages = 0
    for i in range(start, stop):
        name, values, folder = subkey(i)
        lines.append(f"[HKEY_LOCAL_MACHINE\\{UNINSTALL_KEY[5:]}\\{name}]")
        lines += [f"{_reg_text(k)}={_reg_text(v)}" for k, v in values.items()]
        lines.append("")
        if folder:
            packages += 1
            (store / folder).mkdir(parents=True, exist_ok=True)
            (store / folder / "zavcir.inf").write_bytes(inf)
    reg_file = prefix.unix_path(r"C:\bench\keys.reg")
    reg_file.write_bytes("\r\n".join(lines).encode("ascii"))
    result = prefix.run("reg", "import", r"C:\bench\keys.reg", "/reg:64", timeout=600)
    if result.code != 0:
        raise RuntimeError(f"reg import failed: {result.code} {result.stdout} {result.stderr}")
    reg_file.unlink()
    return packages


# ---- running ---------------------------------------------------------------------------------------

def parse_runs(text: str) -> list[dict[str, str]]:
    runs = []
    for line in text.splitlines():
        parts = line.strip().split()
        if parts and parts[0] in ("run", "mem", "error"):
            record = dict(p.split("=", 1) for p in parts[1:] if "=" in p)
            record["kind"] = parts[0]
            runs.append(record)
    return runs


def launch(prefix: wineprefix.WinePrefix, jobs: dict[str, str], rounds: int,
           memory: bool = False) -> list[dict[str, str]]:
    """Runs the jobs (label -> Windows command line) interleaved for some rounds
    inside Wine; the launcher's records."""
    job_file = prefix.unix_path(r"C:\bench\jobs.txt")
    job_file.write_bytes("".join(f"{k}\t{v}\r\n" for k, v in jobs.items()).encode("ascii"))
    args = [r"C:\bench\jobs.txt", str(rounds)] + (["memory"] if memory else [])
    result = prefix.run(r"C:\bench\bench_launcher.exe", *args, timeout=3600)
    runs = parse_runs(result.stdout)
    errors = [r for r in runs if r["kind"] == "error"]
    if result.code != 0 or errors:
        raise RuntimeError(f"launcher failed: code {result.code}\n{result.stdout}\n{result.stderr}")
    return runs


def times(runs: list[dict[str, str]], label: str) -> list[float]:
    return [float(r["ms"]) for r in runs if r["kind"] == "run" and r["label"] == label]


def exits(runs: list[dict[str, str]], label: str) -> set[int]:
    return {int(r["exit"], 16) for r in runs if r["label"] == label}


def expect_exit(runs: list[dict[str, str]], label: str, code: int) -> None:
    got = exits(runs, label)
    if got != {code}:
        raise RuntimeError(f"{label}: exit codes {sorted(hex(c) for c in got)}, expected {code:#x}")


def lay_out(prefix: wineprefix.WinePrefix, build: Path) -> None:
    r"""C:\dist: Setup.exe, Setup.ini, Win7_64\ with zavcir.inf and the no-op
    installer as DPInst.exe; C:\bench: the benchmark's programs."""
    dist, bench = prefix.unix_path(DIST), prefix.unix_path(r"C:\bench")
    (dist / "Win7_64").mkdir(parents=True, exist_ok=True)
    bench.mkdir(parents=True, exist_ok=True)
    shutil.copyfile(build / "Setup.exe", dist / "Setup.exe")
    (dist / "Setup.ini").write_text(wineprefix.SAMPLE_SETUP_INI, newline="")
    shutil.copyfile(REPO / "sample" / "amd64" / "zavcir.inf", dist / "Win7_64" / "zavcir.inf")
    shutil.copyfile(build / "bench" / "noop_installer.exe", dist / "Win7_64" / "DPInst.exe")
    for name in ("minimal_app", "bare_scan", "bench_launcher"):
        shutil.copyfile(build / "bench" / f"{name}.exe", bench / f"{name}.exe")


# ---- profile ----------------------------------------------------------------------------------

_RELAY_CALL = re.compile(r"^([0-9a-f]{4}):Call ([\w.]+)\(.* ret=([0-9a-f]{8,16})$")
# Where the programs' own code lies: the first MiB above the image base that
# MinGW gives every program of a build (0x400000, 64-bit: 0x140000000).
_IMAGE_BASE = {32: 0x400000, 64: 0x140000000}
_LOADED = re.compile(r'^([0-9a-f]{4}):trace:loaddll:\w+ Loaded L"([^"]+)"')


def relay_counts(text: str, bits: int) -> tuple[collections.Counter, collections.Counter, list[str]]:
    """From a +relay,+loaddll trace: the API calls made by the threads of the
    started program (those that call from an image at 0x400000), the ones the
    program itself made and all of them (nested ones too); and the DLLs those
    threads loaded. The installer stand-in's own threads count too: the same for
    every program."""
    lines = text.splitlines()
    base = _IMAGE_BASE[bits]
    own = lambda ret: base + 0x1000 <= int(ret, 16) < base + 0x100000
    threads = {m.group(1) for m in map(_RELAY_CALL.match, lines) if m and own(m.group(3))}
    direct, every, dlls = collections.Counter(), collections.Counter(), []
    for line in lines:
        m = _RELAY_CALL.match(line)
        if m and m.group(1) in threads:
            every[m.group(2)] += 1
            if own(m.group(3)):
                direct[m.group(2)] += 1
            continue
        m = _LOADED.match(line)
        if m and m.group(1) in threads:
            name = m.group(2).replace("\\\\", "\\").rsplit("\\", 1)[-1].lower()
            if not name.endswith(".exe"):
                dlls.append(name)
    return direct, every, dlls


def profile(build: Path, size: int) -> None:
    """Which API calls each program makes at start-up and per subkey, from Wine's
    relay trace of one run each with no subkeys and with `size` subkeys."""
    prefix = wineprefix.WinePrefix.create("64")
    counts = {}
    try:
        prefix.set_version("win7")
        lay_out(prefix, build)
        prefix.reg_delete(UNINSTALL_KEY, 64)
        prefix.reg_add_key(UNINSTALL_KEY, 64)
        inf = (REPO / "sample" / "amd64" / "zavcir.inf").read_bytes()
        programs = {"setup": (f"{DIST}\\Setup.exe", ["/S"]),
                    "minimal": ("C:\\bench\\minimal_app.exe", INSTALLER.replace('"', "").split()),
                    "bare": ("C:\\bench\\bare_scan.exe", INSTALLER.replace('"', "").split())}
        for n in (0, size):
            if n:
                add_subkeys(prefix, 0, n, inf)
            for label, (program, program_args) in programs.items():
                result = prefix.run(program, *program_args, timeout=600,
                                    env={"WINEDEBUG": "-all,+relay,+loaddll"})
                counts[(label, n)] = relay_counts(result.stderr, wineprefix.target().bits)
    finally:
        prefix.close()

    def nt_calls(counter: collections.Counter) -> int:
        return sum(v for k, v in counter.items() if k.startswith("ntdll.Nt"))

    print(f"Profile: Wine relay trace, one run each with 0 and {size} subkeys "
          f"({size // PACKAGE_SHARE} the package's)")
    print("  start-up (0 subkeys):        Setup.exe   minimal_app   bare_scan")
    row = lambda name, f: print(f"    {name:26} " + "".join(
        f"{f(counts[(label, 0)]):>12}" for label in ("setup", "minimal", "bare")))
    row("API calls by the program", lambda c: sum(c[0].values()))
    row("ntdll Nt* calls, nested", lambda c: nt_calls(c[1]))
    row("DLLs loaded", lambda c: len(c[2]))
    base = set(counts[("minimal", 0)][2])
    print("    DLLs Setup.exe loads beyond minimal_app's: "
          + (", ".join(sorted(set(counts[("setup", 0)][2]) - base)) or "none"))
    for label in ("setup", "bare"):
        extra = counts[(label, 0)][0] - counts[("minimal", 0)][0]
        print(f"    {label} calls beyond minimal_app's: " +
              ", ".join(f"{k} {v}" for k, v in extra.most_common(12)))
    scans = 2 * size
    print(f"  per subkey and scan (growth from 0 to {size} subkeys / {scans}):")
    print(f"    {'call':34} {'Setup.exe':>10} {'bare_scan':>10}")
    growth = {}
    for label in ("setup", "bare"):
        growth[label] = (counts[(label, size)][0] - counts[(label, 0)][0],
                         counts[(label, size)][1] - counts[(label, 0)][1])
    names = set(growth["setup"][0]) | set(growth["bare"][0])
    for name in sorted(names, key=lambda k: -(growth["setup"][0][k] + growth["bare"][0][k])):
        print(f"    {name:34} {growth['setup'][0][name] / scans:>10.2f} "
              f"{growth['bare'][0][name] / scans:>10.2f}")
    print(f"    {'all API calls, nested':34} {sum(growth['setup'][1].values()) / scans:>10.2f} "
          f"{sum(growth['bare'][1].values()) / scans:>10.2f}")
    print(f"    {'ntdll Nt* calls, nested':34} {nt_calls(growth['setup'][1]) / scans:>10.2f} "
          f"{nt_calls(growth['bare'][1]) / scans:>10.2f}")
    print()


# ---- figures -----------------------------------------------------------------------------------------

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
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
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
    inf = (REPO / "sample" / "amd64" / "zavcir.inf").read_bytes()
    load_before = uptime()
    began = time.monotonic()
    target = wineprefix.target()
    tested = ("the shipped 32-bit program" if target.bits == 32 else
              f"the 64-bit test build (never shipped), because {target.why_64}")
    if target.why_64:
        print(f"NOTE: the figures are of {tested}", flush=True)
    print(f"machine before: {load_before}", flush=True)

    prefix = wineprefix.WinePrefix.create("64")
    try:
        prefix.set_version("win7")
        lay_out(prefix, build)
        prefix.reg_delete(UNINSTALL_KEY, 64)  # Wine's own entries go: an empty key
        prefix.reg_add_key(UNINSTALL_KEY, 64)
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
            expect_exit(runs, "setup", 0)
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
    print(f"Wine {wineprefix.wine_version()}, 64-bit prefix, Windows 7; {os.cpu_count()} cores; "
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

    shipped = wineprefix.WIN32_BUILD / "Setup.exe"
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
