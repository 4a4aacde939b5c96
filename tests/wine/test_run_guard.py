r"""Runs of the real Setup.exe that meet on one machine (one prefix): the
machine-wide run guard lets one of them work at a time; the others wait, then
run their job from their own first scan. Start-up failures and their message
boxes never hold the guard; a guard that a program left behind when it ended
is taken over at once."""

import re
import shutil

from guard_story import (GIVEN_UP, GUARD, WAITING, commands_one_at_a_time, guard_lines, hold,
                         taking_order, wait_for_hold, wait_for_waiting)
from package_layout import V1, V2, Store, assert_state, install_command
from zavcir.exit_codes import EXIT_SETUP_FAILED, SETUP_SUCCESS
from zavcir.paths import SAMPLE_DIR
from zavcir.wine import STANDIN_RELEASE, Box, tool

STORE = Store(xp=False, bits=64)
TAKEN_AFTER = re.compile(re.escape(GUARD) + r" taken after waiting \d+\.\d{3} s")


def test_overlapping_installs_start_the_installer_one_at_a_time(wine64):
    p = wine64
    d = p.make_dist()
    first = p.start(d.setup, "/S", env=hold("install"))
    wait_for_hold(p)
    second = p.start(d.setup, "/S")
    wait_for_waiting(p)
    assert [kind for kind, _, _ in p.standin_events()] == ["begin", "hold"]
    p.release_standin()

    assert (first.wait().code, second.wait().code) == (SETUP_SUCCESS, SETUP_SUCCESS)
    assert len(commands_one_at_a_time(p)) == 2
    assert p.standin_log() == [install_command(d.folder("Win7_64"), silent=True)] * 2
    assert_state(p, STORE, STORE.entry(d.folder("Win7_64"), V1, "1.0.0.0"), [V1])
    first_pid, second_pid = p.setup_pids()
    assert guard_lines(p, first_pid) == [GUARD + " taken at once", GIVEN_UP]
    waiting, taken, given_up = guard_lines(p, second_pid)
    assert (waiting, given_up) == (WAITING, GIVEN_UP)
    assert TAKEN_AFTER.fullmatch(taken), taken
    # The first gave it up before the second took it.
    log = p.support_log()
    assert log.index((first_pid, GIVEN_UP)) < log.index((second_pid, taken))


def test_an_uninstall_started_during_an_install_waits_then_removes_the_package(wine64):
    p = wine64
    d = p.make_dist()
    install = p.start(d.setup, "/S", env=hold("registered"))
    wait_for_hold(p)
    uninstall = p.start(d.setup, "/S", "/U")
    wait_for_waiting(p)
    p.release_standin()

    assert (install.wait().code, uninstall.wait().code) == (SETUP_SUCCESS, SETUP_SUCCESS)
    commands_one_at_a_time(p)
    # The uninstall's own first scan found the entry the install had labelled.
    assert p.standin_log() == [install_command(d.folder("Win7_64"), silent=True),
                               STORE.entry_command(d.folder("Win7_64"), V1, silent=True)]
    assert_state(p, STORE, {}, [])


def test_runs_of_every_kind_started_together_never_overlap_their_commands(wine64):
    p = wine64
    v1 = p.make_dist()
    v2 = p.make_dist(root=r"C:\dist2", sample=SAMPLE_DIR / "v2")
    assert p.run(v1.setup, "/S").code == SETUP_SUCCESS
    # Every command takes a while, so that runs without the guard would overlap.
    slow = {"ZAVCIR_STANDIN_SLEEP_MS": "300"}
    runs = [p.start(v2.setup, *args, env=slow) for args in ((), ("/S",), ("/S", "/U"), ("/U",))]

    assert [run.wait().code for run in runs] == [SETUP_SUCCESS] * 4
    commands_one_at_a_time(p)
    # Each job ran from its own scan, so the last run to take the guard alone
    # decides what is left.
    order = taking_order(p)[1:]  # after the first install's
    assert sorted(order) == sorted(p.setup_pids()[1:])
    last_mode = next(text for pid, text in p.support_log() if pid == order[-1] and text.startswith("Mode: "))
    if last_mode.startswith("Mode: uninstall"):
        assert_state(p, STORE, {}, [])
    else:
        assert_state(p, STORE, STORE.entry(v2.folder("Win7_64"), V2, "1.1.0.0"), [V2])


def test_start_up_failures_and_their_message_boxes_never_hold_the_guard(wine64):
    p = wine64
    d = p.make_dist()
    broken = p.make_dist(root=r"C:\broken", ini=False)

    # A failed start-up's box left open keeps nobody waiting.
    shown = p.start(broken.setup)
    p.wait_until(lambda: any(text == "Start-up failed: Failed to open Setup.ini file"
                             for _, text in p.support_log()), what="the failed start-up")
    assert p.run(d.setup, "/S").code == SETUP_SUCCESS
    assert guard_lines(p, p.setup_pids()[-1]) == [GUARD + " taken at once", GIVEN_UP]
    box = Box.parse(p.boxtool("--exe", "Setup.exe"))
    assert box and box.text == "Failed to open Setup.ini file"
    assert shown.wait().code == EXIT_SETUP_FAILED

    # Behind a run that holds the guard, a failed start-up shows its box at once.
    working = p.start(d.setup, "/S", env=hold("install"))
    wait_for_hold(p)
    result, boxes = p.run_with_boxes(broken.setup)
    assert (result.code, [b.text for b in boxes]) == (EXIT_SETUP_FAILED, ["Failed to open Setup.ini file"])
    assert working.running()
    p.release_standin()
    assert working.wait().code == SETUP_SUCCESS
    first_failed, _, _, second_failed = p.setup_pids()
    assert guard_lines(p, first_failed) == guard_lines(p, second_failed) == []


def test_log_off_is_refused_while_a_run_waits(wine64):
    p = wine64
    d = p.make_dist()
    shutil.copyfile(p.unix_path(d.setup), p.unix_path(r"C:\dist\Waiter.exe"))
    working = p.start(d.setup, "/S", env=hold("install"))
    wait_for_hold(p)
    waiter = p.start(r"C:\dist\Waiter.exe", "/S")
    wait_for_waiting(p)

    probe = p.wndtool("Waiter.exe", "wait=10000", "qes", "info")
    values = probe.values()
    assert (values.get("qes"), values.get("visible")) == ("0", "1")
    assert values["rect"].split(",")[:2] == ["-100", "-100"]
    p.release_standin()
    assert (working.wait().code, waiter.wait().code) == (SETUP_SUCCESS, SETUP_SUCCESS)
    commands_one_at_a_time(p)


def test_a_guard_abandoned_by_a_program_that_ended_holding_it_is_taken_over_at_once(wine64):
    p = wine64
    d = p.make_dist()
    holder = p.start(tool("guardtool.exe"), "abandon", STANDIN_RELEASE)
    p.wait_until(lambda: "held=1" in holder.output_now(), what="guardtool holding the guard")
    run = p.start(d.setup, "/S")
    wait_for_waiting(p)
    p.release_standin()  # guardtool ends without giving the guard up

    assert holder.wait().code == 0
    assert run.wait().code == SETUP_SUCCESS
    waiting, taken, given_up = guard_lines(p, p.setup_pids()[-1])
    assert (waiting, given_up) == (WAITING, GIVEN_UP)
    assert re.fullmatch(re.escape(GUARD) + r" taken over after waiting \d+\.\d{3} s: the run that "
                        r"held it ended without giving it up", taken), taken
    assert_state(p, STORE, STORE.entry(d.folder("Win7_64"), V1, "1.0.0.0"), [V1])


def test_a_name_taken_by_another_kind_of_object_ends_the_run_with_nothing_done(wine64):
    p = wine64
    d = p.make_dist()
    squatter = p.start(tool("guardtool.exe"), "event", STANDIN_RELEASE)
    p.wait_until(lambda: "held=1" in squatter.output_now(), what="guardtool holding the name")

    for args in (("/S",), ("/S", "/U")):
        assert p.run(d.setup, *args).code == EXIT_SETUP_FAILED
        assert guard_lines(p, p.setup_pids()[-1]) == [
            GUARD + " cannot be opened, error 6: ending with nothing done"]
    assert p.standin_log() == []
    p.release_standin()
    assert squatter.wait().code == 0
