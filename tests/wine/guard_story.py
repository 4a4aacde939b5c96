r"""What the logs tell about runs of Setup.exe that met on one machine: the
installer stand-in's event log (when each command began, held and ended) and
the run-guard lines of each run in the support log."""

from __future__ import annotations

import re

GUARD = r"Run guard Global\ZavCirReceiverDriverSetup"
WAITING = GUARD + " is held by another run of Setup: waiting for it, at most 30 minutes"
GIVEN_UP = "Giving up the run guard"
# What a run logs about a command that an earlier run started and that still works.
EARLIER_WORKS = "A command that an earlier run of Setup started still works: "
EARLIER_ENDED = re.compile(r"The earlier run's command has ended after waiting \d+\.\d{3} s")


def hold(point: str, match: str | None = None) -> dict[str, str]:
    """Environment that holds the stand-in at a hold point (see the head of
    dpinst_standin.cpp), only in a command that contains match when given."""
    env = {"ZAVCIR_STANDIN_HOLD": point}
    if match:
        env["ZAVCIR_STANDIN_HOLD_MATCH"] = match
    return env


def held_standin(p) -> int | None:
    """The process id of a stand-in that waits at a hold point now, or None."""
    holding = None
    for kind, pid, _ in p.standin_events():
        if kind == "hold":
            holding = pid
        elif kind == "end" and pid == holding:
            holding = None
    return holding


def wait_for_hold(p) -> int:
    """Waits until a stand-in holds; its process id."""
    p.wait_until(lambda: held_standin(p) is not None, what="the installer stand-in at its hold point")
    return held_standin(p)


def commands_one_at_a_time(p) -> list[int]:
    """Asserts that no two stand-in runs overlapped and that each ended; their
    process ids in order of start."""
    running, order = None, []
    for kind, pid, rest in p.standin_events():
        if kind == "begin":
            assert running is None, f"command {pid} ({rest}) began while {running} still ran"
            running = pid
            order.append(pid)
        elif kind == "end":
            assert pid == running, f"command {pid} ended, but {running} was running"
            running = None
    assert running is None, f"command {running} never ended"
    return order


def guard_lines(p, pid: int) -> list[str]:
    """The run-guard lines of one run's support log, in order."""
    return [text for run, text in p.support_log() if run == pid and "run guard" in text.lower()]


def waiting_runs(p) -> int:
    """How many runs have logged that they wait for the guard."""
    return sum(1 for _, text in p.support_log() if text == WAITING)


def wait_for_waiting(p, count: int = 1) -> None:
    p.wait_until(lambda: waiting_runs(p) >= count, what=f"{count} run(s) waiting for the run guard")


def taking_order(p) -> list[int]:
    """The process ids of the runs in the order they took the guard."""
    return [pid for pid, text in p.support_log()
            if text.startswith(GUARD + " taken")]
