"""What Wine's debug channels print: the texts a program passed to
OutputDebugString (+debugstr) and the processes that loaded an image
(+pid,+loaddll)."""

from __future__ import annotations

import codecs
import re

_DEBUGSTR = re.compile(r'^[0-9a-f]+:warn:debugstr:OutputDebugString[AW] "(.*)"')
_LOADED = re.compile(r'^([0-9a-f]+):[0-9a-f]+:trace:loaddll:build_module Loaded L"(.*)" at ')


def _unescape(text: str) -> str:
    """Undoes Wine's C-style escaping of debug strings."""
    return codecs.decode(text.encode("latin-1", "backslashreplace"), "unicode_escape")


def debug_strings(stderr: str) -> list[str]:
    """Every text passed to OutputDebugString, in order, from a run traced with
    +debugstr."""
    return [_unescape(m.group(1)) for m in map(_DEBUGSTR.match, stderr.splitlines()) if m]


def traced_process_id(stderr: str, image_suffix: str) -> str:
    """The id (as Wine's +pid traces print it) of the first process whose image
    path ends in image_suffix, from a run traced with WINEDEBUG=+pid,+loaddll."""
    for line in stderr.splitlines():
        m = _LOADED.match(line)
        if m and m.group(2).replace("\\\\", "\\").lower().endswith(image_suffix.lower()):
            return m.group(1)
    raise AssertionError(f"no process of {image_suffix} in the trace")
