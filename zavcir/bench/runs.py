"""The benchmark's prefix, laid out once, and the rounds that bench_launcher.exe
times inside it."""

from __future__ import annotations

import shutil
from pathlib import Path

from zavcir.bench.dataset import DIST, SAMPLE_INF
from zavcir.editions import SAMPLE_SETUP_INI
from zavcir.layout import Package, lay_out
from zavcir.wine import UNINSTALL_KEY, WinePrefix


def parse_runs(text: str) -> list[dict[str, str]]:
    runs = []
    for line in text.splitlines():
        parts = line.strip().split()
        if parts and parts[0] in ("run", "mem", "error"):
            record = dict(p.split("=", 1) for p in parts[1:] if "=" in p)
            record["kind"] = parts[0]
            runs.append(record)
    return runs


def launch(prefix: WinePrefix, jobs: dict[str, str], rounds: int,
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


def lay_out_bench(prefix: WinePrefix, build: Path) -> None:
    r"""C:\dist: Setup.exe, Setup.ini, Win7_64\ with zavcir.inf and the no-op
    installer as DPInst.exe; C:\bench: the benchmark's programs."""
    package = Package(SAMPLE_INF.parent, build / "bench" / "noop_installer.exe", whole=False)
    lay_out(prefix.unix_path(DIST), build / "Setup.exe", SAMPLE_SETUP_INI.encode("ascii"), {"Win7_64": package})
    bench = prefix.unix_path(r"C:\bench")
    bench.mkdir(parents=True, exist_ok=True)
    for name in ("minimal_app", "bare_scan", "bench_launcher"):
        shutil.copyfile(build / "bench" / f"{name}.exe", bench / f"{name}.exe")


def bench_prefix(build: Path) -> WinePrefix:
    """A 64-bit Windows 7 prefix with the benchmark laid out and an empty
    "Uninstall" key (Wine's own entries gone); the caller closes it."""
    prefix = WinePrefix.create("64")
    try:
        prefix.set_version("win7")
        lay_out_bench(prefix, build)
        prefix.reg_delete(UNINSTALL_KEY, 64)
        prefix.reg_add_key(UNINSTALL_KEY, 64)
    except BaseException:
        prefix.close()
        raise
    return prefix
