"""The tools make-dist runs: the build of Setup.exe and the checker, git for
the commit's time, the signing script and the checker itself."""

from __future__ import annotations

import contextlib
import fcntl
import os
import subprocess
import sys
from pathlib import Path

from zavcir.builds import HOST_BUILD, WIN32_BUILD, preset_build
from zavcir.exit_codes import DISTCHECK_CLEAN, DISTCHECK_ERRORS, DISTCHECK_WARNINGS
from zavcir.make_dist.outcome import Failed, Refused, say
from zavcir.paths import BUILD_ROOT, REPO

# The builds it takes its programs from: the win32 and host presets' ($ZAVCIR_WIN32_BUILD and
# $ZAVCIR_HOST_BUILD name others, configured already, as for the tests).
WIN32_SETUP = WIN32_BUILD / "Setup.exe"
HOST_CHECKER = HOST_BUILD / "zavcir-distcheck"
BUILD_LOG = BUILD_ROOT / "make-dist.log"


@contextlib.contextmanager
def build_lock():
    """One build at a time in build/: parallel runs would rebuild the same files."""
    BUILD_ROOT.mkdir(exist_ok=True)
    with open(BUILD_ROOT / "make-dist.lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        yield


def build_tools() -> None:
    """Setup.exe with the win32 preset and the checker with the host preset (or
    in the builds named instead); nothing to do when they are up to date."""
    with build_lock(), open(BUILD_LOG, "w") as log:
        for preset, build, target, product in (("win32", WIN32_BUILD, "Setup", WIN32_SETUP),
                                               ("host", HOST_BUILD, "zavcir-distcheck", HOST_CHECKER)):
            steps = [["cmake", "--build", str(build), "--target", target]]
            if not (build / "build.ninja").is_file():
                if build != preset_build(preset):
                    raise Failed(f"{build} is no configured build folder")
                steps.insert(0, ["cmake", "--preset", preset])
            started = log.tell()
            for step in steps:
                log.write(f"==== {' '.join(step)}\n")
                log.flush()
                if subprocess.run(step, cwd=REPO, stdout=log, stderr=subprocess.STDOUT).returncode != 0:
                    log.flush()
                    tail = BUILD_LOG.read_text(errors="replace").splitlines()[-30:]
                    print("\n".join(tail), file=sys.stderr)
                    raise Failed(f"building {product.name} failed (whole output in {BUILD_LOG})")
            log.flush()
            done = BUILD_LOG.read_text(errors="replace")[started:]
            state = "up to date" if "no work to do" in done else "built"
            where = f"{preset} preset" if build == preset_build(preset) else str(build)
            say(f"{product.relative_to(REPO) if product.is_relative_to(REPO) else product}: {state} ({where})")


def source_date() -> tuple[int, str]:
    """The archive's time stamp and where it comes from."""
    if os.environ.get("SOURCE_DATE_EPOCH"):
        try:
            return int(os.environ["SOURCE_DATE_EPOCH"]), "SOURCE_DATE_EPOCH"
        except ValueError:
            raise Refused(f"SOURCE_DATE_EPOCH is not a number: {os.environ['SOURCE_DATE_EPOCH']}") from None
    result = subprocess.run(["git", "log", "-1", "--format=%ct %h"], cwd=REPO, capture_output=True, text=True)
    if result.returncode != 0 or not result.stdout.strip():
        raise Refused("cannot tell the commit's time (no git work tree?): set SOURCE_DATE_EPOCH")
    stamp, commit = result.stdout.split()
    return int(stamp), f"commit {commit}"


def warn_if_work_tree_changed() -> None:
    result = subprocess.run(["git", "status", "--porcelain"], cwd=REPO, capture_output=True, text=True)
    if result.returncode == 0 and result.stdout.strip():
        say("warning: the work tree has changes that are not committed, so this Setup.exe "
            "cannot be rebuilt from a commit")


def sign(stage: Path) -> None:
    if not (os.environ.get("SETUP_SIGN_PFX") or os.environ.get("SETUP_SIGN_PASSWORD")):
        say("Setup.exe is not signed (SETUP_SIGN_PFX is not set)")
        return
    result = subprocess.run([str(REPO / "scripts" / "sign.sh"), str(stage / "Setup.exe")],
                            capture_output=True, text=True)
    if result.returncode != 0:
        sys.stderr.write(result.stdout + result.stderr)
        raise Failed("signing Setup.exe failed")
    say(f"Setup.exe signed ({os.environ.get('SETUP_SIGN_DIGESTS') or 'sha256'})")


def check(work: Path, name: str) -> None:
    say("checking it with zavcir-distcheck:")
    result = subprocess.run([str(HOST_CHECKER), name], cwd=work, capture_output=True, text=True)
    sys.stdout.write("".join("  " + line if line.strip() else line
                             for line in result.stdout.splitlines(keepends=True)))
    sys.stderr.write(result.stderr)
    if result.returncode == DISTCHECK_ERRORS:
        raise Refused("the checker found errors in the distribution")
    if result.returncode not in (DISTCHECK_CLEAN, DISTCHECK_WARNINGS):
        raise Failed(f"the checker ended with exit code {result.returncode}")
