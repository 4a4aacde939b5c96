"""Headless Wine prefixes for the end-to-end tests of Setup.exe, the demo and
the benchmark; the names below are the harness's public face.

    target        which program runs (the 32-bit one, or the 64-bit test build)
                  and with which loader; `tool()`, the built programs it runs
    environment   every Wine process's environment, the Japanese locale
    templates     the template prefixes and their clones
    prefix        `WinePrefix`: a prefix's life cycle and the programs run in it
    results       `Result`, `Process`, `Box`: what a run left
    registry      `WinePrefix`'s registry calls
    files         `WinePrefix`'s paths, drives and driver store
    logs          the support log and the installer stand-in's logs
    cuts          runs that meet and runs cut off
    services      a command line run from a service of our own
    distribution  `WinePrefix.make_dist()` and `Distribution`; the installers
                  (`standin`, `real_installer`)
    display       a virtual X display, and `WinePrefix.show_on()`
    traces        what Wine's debug channels print
    end_to_end    the summary of what the end-to-end tests ran against

`python3 -m zavcir.wine` prints, for the shell scripts, "<32 or 64> <why the
64-bit test build runs, or nothing>".
"""

from zavcir.wine.display import VirtualDisplay, missing_tools
from zavcir.wine.distribution import Distribution, real_installer, standin
from zavcir.wine.environment import base_env, japanese_locale_env
from zavcir.wine.logs import STANDIN_EVENTS, STANDIN_RELEASE, SUPPORT_LOG
from zavcir.wine.prefix import WinePrefix, remove_stale_prefixes
from zavcir.wine.registry import DETECTION_KEY, UNINSTALL_KEY
from zavcir.wine.results import Box, Process, Result
from zavcir.wine.target import (WITHOUT_32BIT_VARIABLE, Target, WineCannotRun, require_32bit, target, tool,
                                use_run_setup, wine_version)
from zavcir.wine.templates import template, template_dir
from zavcir.wine.traces import debug_strings, traced_process_id

__all__ = ["Box", "DETECTION_KEY", "Distribution", "Process", "Result", "STANDIN_EVENTS", "STANDIN_RELEASE",
           "SUPPORT_LOG", "Target", "UNINSTALL_KEY", "WITHOUT_32BIT_VARIABLE", "WinePrefix", "WineCannotRun",
           "base_env", "debug_strings", "japanese_locale_env", "missing_tools", "real_installer",
           "remove_stale_prefixes", "require_32bit", "standin", "target", "template", "template_dir", "tool",
           "traced_process_id", "use_run_setup", "VirtualDisplay", "wine_version"]
