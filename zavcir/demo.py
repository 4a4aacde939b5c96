r"""Shows the setup program's main job under Wine, on distributions made from
the bundled sample packages: first scripts/make-dist.sh makes the
distributions of driver 1.0.0.0 and 1.1.0.0 (build/demo/), then Setup.exe /S
installs version 1.0.0.0, upgrades to 1.1.0.0 and uninstalls, and after each
step the demo shows what changed. Run as scripts/demo.sh (which runs
`python3 -m zavcir.demo` from the repository root).

Runs in a throwaway 64-bit Windows 7 prefix (a clone of the test template) with
its own wine server; both are always removed at the end. Needs the win32 build
(scripts/demo.sh makes it first). Where Wine cannot run 32-bit programs (or
with SETUP_TESTS_WITHOUT_32BIT=1) the distributions' Setup.exe is replaced in
the prefix by the 64-bit test build (build/win64, never shipped), and the demo
says so.
"""

import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

from zavcir.builds import WIN32_BUILD, built
from zavcir.exit_codes import (EXIT_REMOVE_FAILED, EXIT_RESTART_NEEDED, EXIT_SETUP_FAILED, MAKE_DIST_MADE,
                               SETUP_SUCCESS)
from zavcir.paths import BUILD_ROOT, REPO, SAMPLE_DIR
from zavcir.wine import Distribution, WinePrefix, target as wine_target, template_dir, use_run_setup

DEMO_DIR = BUILD_ROOT / "demo"
STORE_DIR = r"C:\windows\System32\DriverStore\FileRepository"

EXIT_MEANINGS = {
    SETUP_SUCCESS: "success",
    EXIT_RESTART_NEEDED: "done, but a restart of Windows is needed to finish the removal",
    EXIT_REMOVE_FAILED: "at least one copy could not be removed",
    EXIT_REMOVE_FAILED | EXIT_RESTART_NEEDED: "at least one copy could not be removed, and a restart is needed",
    EXIT_SETUP_FAILED: "nothing was done: start-up failed, or the installer failed or did not start",
}


def explain_command(line):
    """What one DPInst.exe command line was for."""
    silent = " (silent)" if " /SW " in line or " /s " in line else ""
    if " /LM " in line:
        return "install the package" + silent
    if line.startswith('"'):
        return "remove a copy found in the driver store" + silent
    return 'the uninstall command stored in a package\'s "Uninstall" entry' + silent


def snapshot(p):
    """The package's "Uninstall" entries (64-bit view) and driver-store folders."""
    return p.uninstall_entries(), p.store_folders()


def describe_entry(name, values):
    key = name if len(name) <= 16 else name[:12] + "..."
    return (f'{key}  DisplayName "{values.get("DisplayName", "")}"  '
            f'DisplayVersion "{values.get("DisplayVersion", "")}"')


def print_changes(title, before, after, describe):
    """One block of the report: each item after the step, '+' when new; then
    the items that went away, '-'."""
    print(f"   {title}:")
    if not after and not before:
        print("       (none)")
    for name in after:
        print(f"     {'+' if name not in before else ' '} {describe(name, after)}")
    for name in before:
        if name not in after:
            print(f"     - {describe(name, before)}  (removed)")
    if before and not after:
        print("       (none left)")


def run_step(p, number, title, dist, args, log_seen):
    before_entries, before_store = snapshot(p)
    command = " ".join([dist.setup, *args])
    print(f"\n== Step {number} of 3: {title}")
    print(f"   > {command}")
    started = time.monotonic()
    result = p.run(dist.setup, *args, timeout=120)
    took = time.monotonic() - started
    after_entries, after_store = snapshot(p)

    log = p.standin_log()
    print("   Commands Setup.exe ran, as DPInst.exe received them:")
    if len(log) == log_seen:
        print("       (none)")
    for number, line in enumerate(log[log_seen:], start=1):
        print(f"     {number}. {explain_command(line)}:")
        print(f"        {line}")
    print_changes("Uninstall entries of the package (HKLM\\...\\CurrentVersion\\Uninstall, 64-bit view)",
                  before_entries, after_entries, lambda name, entries: describe_entry(name, entries[name]))
    print_changes(f"Driver store copies ({STORE_DIR})", before_store, after_store,
                  lambda name, _: name)
    if result.code is None:
        print(f"   Setup.exe did not end within {took:.0f} s")
    else:
        print(f"   Exit code {result.code}: {EXIT_MEANINGS.get(result.code, 'unknown')}  ({took:.1f} s)")
    return len(log), result.code


def make_distributions() -> dict[str, Path]:
    """The distributions of both sample versions, made by scripts/make-dist.sh
    in build/demo/ (made anew each time)."""
    shutil.rmtree(DEMO_DIR, ignore_errors=True)
    DEMO_DIR.mkdir(parents=True)
    made = {}
    for version, sample in (("1.0.0.0", SAMPLE_DIR), ("1.1.0.0", SAMPLE_DIR / "v2")):
        out = DEMO_DIR / f"zavcir-{version}"
        command = ["scripts/make-dist.sh", "--x86", sample / "x86", "--amd64", sample / "amd64",
                   "--dpinst-x86", built("dpinst32.exe", WIN32_BUILD),
                   "--dpinst-x64", built("dpinst64.exe", WIN32_BUILD),
                   "--out", out]
        print(f"\n== Making the distribution of driver {version} from the sample packages")
        print("   > " + " ".join(str(Path(part).relative_to(REPO)) if Path(part).is_absolute()
                                  else str(part) for part in command))
        sys.stdout.flush()
        if subprocess.run([str(part) for part in command], cwd=REPO).returncode != MAKE_DIST_MADE:
            raise SystemExit(f"make-dist.sh could not make {out}")
        made[version] = out
    return made


def copy_into(prefix, folder: Path, root: str) -> Distribution:
    """A distribution folder copied into the prefix at root, with the Setup.exe
    that runs here (the 64-bit test build where the 32-bit program cannot)."""
    shutil.copytree(folder, prefix.unix_path(root))
    use_run_setup(prefix.unix_path(root))
    return Distribution(root, {"amd64": 64})


def main() -> int:
    # A termination request ends the demo through the clean-up below.
    for sig in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(sig, lambda *_: sys.exit(130))

    target = wine_target()
    print("ZAV CIR Receiver Driver setup: demo under Wine (Windows 7, 64-bit)")
    if target.why_64:
        print(f"NOTE: the demo runs the 64-bit test build of Setup.exe ({target.build.relative_to(REPO)}"
              f"/Setup.exe, never shipped) in place of the distributions' 32-bit one, because "
              f"{target.why_64}")
    made = make_distributions()
    print("\nThe distributions go into the Wine prefix as C:\\dist (driver 1.0.0.0) and")
    print("C:\\dist-v2 (driver 1.1.0.0).")
    print("Their DPInst.exe is a test stand-in for the driver package installer: it copies")
    print('the package into the driver store and registers an "Uninstall" entry named')
    print('"Windows Driver Package - ..."; Setup.exe then labels that entry with the product')
    print("name and driver version, and removes older copies.")
    first = not (template_dir("64") / ".zavcir-template").is_file()
    print("Preparing a throwaway Wine prefix"
          + (" (the first time takes about half a minute)" if first else "") + " ...")

    prefix = WinePrefix.create("64")
    codes = []
    try:
        prefix.set_version("win7")
        v1 = copy_into(prefix, made["1.0.0.0"], r"C:\dist")
        v2 = copy_into(prefix, made["1.1.0.0"], r"C:\dist-v2")
        seen = 0
        for number, (title, dist, args) in enumerate([
                ("install version 1.0.0.0", v1, ["/S"]),
                ("upgrade to version 1.1.0.0", v2, ["/S"]),
                ("uninstall (it ends with a 1 s pause and a check that the driver is gone)", v2,
                 ["/S", "/U"])], start=1):
            seen, code = run_step(prefix, number, title, dist, args, seen)
            codes.append(code)
    finally:
        prefix.close()
        print("\nCleaned up: the wine server has ended and the prefix is removed.")
    if codes != [SETUP_SUCCESS] * 3:
        print(f"Unexpected exit codes: {codes} (expected 0, 0, 0)")
        return 1
    if target.why_64:
        print(f"NOTE: {target.label} ran here, not the shipped 32-bit Setup.exe.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
