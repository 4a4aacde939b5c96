r"""The registry view of every key Setup.exe opens or deletes below the
"Uninstall" key on 64-bit Windows, read from Wine's registry trace.

Under WOW64 each Windows resolves an open or a deletion below an open key by
its own rule: XP x64 in the view the call itself names (without
KEY_WOW64_64KEY, and with RegDeleteKeyA, the 32-bit view); Vista in that view,
or the parent's when the call names none; 7 and later in the parent's view,
which KEY_WOW64_64KEY cannot leave. Only a call that names the parent's flag
reaches the same key on every version. What Wine cannot show: it resolves a
relative open in its parent's view, so a missing flag changes nothing visible
here (the unit tests run the scan, the deletion and the flows under each
version's rule). The trace
(WINEDEBUG=+pid,+reg) shows each call with its access mask instead, and this
test checks that every open by Setup.exe's own process of the Uninstall key or
of a key below it, the opens made for deletions included (RegDeleteKeyExA
opens the key with DELETE and the view flag before deleting it), carries 0x100.
The installer stand-in, a 64-bit process of its own, is left out by its id.
"""

from __future__ import annotations

import re
from dataclasses import dataclass

from package_layout import V2, Store, assert_state
from zavcir.exit_codes import EXIT_REMOVE_FAILED, SETUP_SUCCESS
from zavcir.paths import SAMPLE_DIR
from zavcir.wine import UNINSTALL_KEY, traced_process_id

KEY_WOW64_64KEY = 0x100
DELETE = 0x10000
TRACE = {"WINEDEBUG": "-all,+pid,+reg,+loaddll"}

# NtOpenKeyEx (parent,L"name",access,out) and NtCreateKey (parent,L"name",class,options,access,out)
_OPEN = re.compile(r'^([0-9a-f]+):([0-9a-f]+):trace:reg:Nt(OpenKeyEx|CreateKey) '
                   r'\((0x[0-9a-f]+|\(nil\)),L"(.*?)",(?:.*?,.*?,)?([0-9a-f]+),[^,]*\)$')
_RETURNED = re.compile(r'^([0-9a-f]+):([0-9a-f]+):trace:reg:Nt(?:OpenKeyEx|CreateKey) <- (0x[0-9a-f]+)')
_DELETE = re.compile(r'^([0-9a-f]+):[0-9a-f]+:trace:reg:NtDeleteKey \((0x[0-9a-f]+)\)')
_UNINSTALL = r"software\microsoft\windows\currentversion\uninstall"


@dataclass
class Open:
    path: str  # the key's path as far as the trace tells it, lower case
    parent: str  # the parent handle as traced
    access: int


def uninstall_opens(stderr: str, pid: str) -> tuple[list[Open], int]:
    """The process's opens of the Uninstall key and of keys below it, in order,
    and how many keys below it the process deleted."""
    paths: dict[str, str] = {}  # open handle -> its path
    pending: dict[str, str] = {}  # thread -> path of its open awaiting the handle
    opens, deletions = [], 0
    for line in stderr.splitlines():
        m = _OPEN.match(line)
        if m and m.group(1) == pid:
            name = m.group(5).replace("\\\\", "\\").lower()
            path = paths.get(m.group(4), "") + "\\" + name
            pending[m.group(2)] = path
            if _UNINSTALL in path:
                opens.append(Open(path, m.group(4), int(m.group(6), 16)))
            continue
        m = _RETURNED.match(line)
        if m and m.group(1) == pid and m.group(2) in pending:
            paths[m.group(3)] = pending.pop(m.group(2))
            continue
        m = _DELETE.match(line)
        if m and m.group(1) == pid and _UNINSTALL + "\\" in paths.get(m.group(2), ""):
            deletions += 1
    return opens, deletions


def assert_every_open_names_the_64_bit_view(opens: list[Open]) -> None:
    wrong = [o for o in opens if not o.access & KEY_WOW64_64KEY]
    assert wrong == [], wrong


def test_every_child_of_the_uninstall_key_is_opened_and_deleted_in_the_64_bit_view(wine64):
    p = wine64
    store = Store(xp=False, bits=64)
    v1 = p.make_dist()
    v2 = p.make_dist(root=r"C:\dist2", sample=SAMPLE_DIR / "v2")
    assert p.run(v1.setup, "/S").code == SETUP_SUCCESS

    # An upgrade: two scans, the new entry labelled, the older copy's entry run.
    upgrade = p.run(v2.setup, "/S", env=TRACE)
    assert upgrade.code == SETUP_SUCCESS
    opens, deletions = uninstall_opens(upgrade.stderr,
                                       traced_process_id(upgrade.stderr, r"\dist2\Setup.exe"))
    assert_every_open_names_the_64_bit_view(opens)
    # The trace shows what it must for the check to mean something: the
    # Uninstall key opened for each scan, and its children: each entry opened
    # relative to it by the scans, the new entry opened for its two labels.
    assert sum(o.path.endswith(_UNINSTALL) for o in opens) >= 2
    assert len([o for o in opens if _UNINSTALL + "\\" in o.path]) >= 5
    assert deletions == 0
    assert_state(p, store, store.entry(v2.folder("Win7_64"), V2, "1.1.0.0"), [V2])

    # An uninstall with a dead entry (its INF is gone): its key is deleted from
    # the 64-bit view. A key of the same name in the 32-bit view stays.
    dead = UNINSTALL_KEY + r"\{0D1E4B1C-ZAVCIR-DEAD}"
    p.reg_add(dead, "UninstallString",
              r"C:\Windows\System32\DriverStore\FileRepository\zavcir.inf_amd64_gone\zavcir.inf")
    p.reg_add(dead, "UninstallString", "thirty-two", view=32)
    uninstall = p.run(v2.setup, "/S", "/U", env=TRACE)
    assert uninstall.code == EXIT_REMOVE_FAILED  # the dead entry counts as a failed removal
    opens, deletions = uninstall_opens(uninstall.stderr,
                                       traced_process_id(uninstall.stderr, r"\dist2\Setup.exe"))
    assert_every_open_names_the_64_bit_view(opens)
    assert [o.access & DELETE for o in opens if o.path.endswith("{0d1e4b1c-zavcir-dead}")] \
        == [0, DELETE]  # read by the scan, then opened for the deletion
    assert deletions == 1
    assert p.reg_values(dead, view=64) is None
    assert p.reg_values(dead, view=32) == {"UninstallString": "thirty-two"}
    assert_state(p, store, {}, [])
