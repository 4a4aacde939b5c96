"""Which API calls each program makes at start-up and per subkey, from Wine's
relay trace."""

from __future__ import annotations

import collections
import re
from pathlib import Path

from zavcir.bench.dataset import DIST, INSTALLER, PACKAGE_SHARE, SAMPLE_INF, add_subkeys
from zavcir.bench.runs import bench_prefix
from zavcir.wine import target

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
    prefix = bench_prefix(build)
    counts = {}
    try:
        inf = SAMPLE_INF.read_bytes()
        programs = {"setup": (f"{DIST}\\Setup.exe", ["/S"]),
                    "minimal": ("C:\\bench\\minimal_app.exe", INSTALLER.replace('"', "").split()),
                    "bare": ("C:\\bench\\bare_scan.exe", INSTALLER.replace('"', "").split())}
        for n in (0, size):
            if n:
                add_subkeys(prefix, 0, n, inf)
            for label, (program, program_args) in programs.items():
                result = prefix.run(program, *program_args, timeout=600,
                                    env={"WINEDEBUG": "-all,+relay,+loaddll"})
                counts[(label, n)] = relay_counts(result.stderr, target().bits)
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
