"""Which sources may include which, as one table: named groups of sources (a
folder, or a set of files), and for each group the groups its sources may
include besides their own, as Chromium's DEPS files give include_rules.

    violations(root)   every "#include" of a group with a rule that its rule does not allow
    uncovered(root)    the sources under COVERED that belong to no group with a rule
    cycles(edges)      the cycles of a graph of groups
    include_graph(root) which groups the product sources of each ruled group include

The product's folders follow the direction the README's layout section draws
(app -> package -> env, framework -> env, win32 -> env, and base/ below all of
them); the distribution checker's folders the one docs/release-tools.md draws
("How the checker is built").
"""

import re
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
CHECKER = "tools/distcheck/"

# Named groups of sources, each a tuple of path prefixes relative to the root.
GROUPS = {
    # The shared text pieces that Setup.exe's core and the checker link.
    "setup_portable": ("env/code_page.", "env/mbcs.", "env/setup_ini.", "package/driver_ver_line.",
                       "package/text_line_reader."),
    # The top-level base/: portable templates that Setup.exe's core, its Win32
    # layer, the test programs and the checker share (the owner family).
    "shared base": ("base/",),
    # Declarations that setup_portable's headers build on: the system interfaces
    # (InfParser, InfFile, ReadableFile), the Windows types, the OsKind constants.
    "env interfaces": ("env/inf_parser.h", "env/inf_file.h", "env/readable_file.h",
                       "env/win_types.h", "env/probes.h"),
    # The setup program's own folders.
    **{name: (f"{name}/",) for name in ("app", "package", "env", "framework", "win32")},
    # The unit tests' in-memory stand-ins for the system interfaces.
    "fakes": ("tests/fakes/",),
    **{name: (f"{CHECKER}{name}/",)
       for name in ("base", "pe", "inf", "files", "catalog", "report", "checks", "cli", "testing",
                    "fuzz")},
}

PORTABLE = ("setup_portable", "env interfaces")
# What every folder of the setup program may build on.
ENV = ("env", *PORTABLE, "shared base")

# What each group's sources may include besides their own group.
RULES = {
    "shared base": (),
    "setup_portable": ("env interfaces",),
    "env interfaces": (),
    "env": (*PORTABLE, "shared base"),
    "package": ENV,
    "framework": ENV,
    "win32": ENV,
    "app": ("package", "framework", "win32", *ENV),
    "fakes": ENV,
    "base": (),
    "pe": (),
    "inf": ("base", "pe", *PORTABLE),
    "files": ("base", *PORTABLE),
    "catalog": ("shared base", "base", "pe", *PORTABLE),
    "report": ("base",),
    "checks": ("base", "pe", "inf", "files", "catalog", "report", *PORTABLE),
    "cli": ("base", "inf", "files", "catalog", "report", "checks", *PORTABLE),
    "testing": ("pe", "catalog", "report", *PORTABLE),
    "fuzz": ("pe", "inf", "catalog", *PORTABLE),
}

# What a test (is_test) may include besides its group's rule: the test support
# of the checker and of the setup program.
TEST_RULES = ("testing", "fakes")

# Folders whose every source must belong to a group with a rule.
COVERED = (CHECKER, "app/", "package/", "env/", "framework/", "win32/", "base/", "tests/fakes/")

SOURCE_SUFFIXES = (".h", ".cpp")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def group_of(path: str, groups=GROUPS) -> str | None:
    """The group whose longest prefix starts path; None when there is none."""
    best, length = None, -1
    for name, prefixes in groups.items():
        for prefix in prefixes:
            if path.startswith(prefix) and len(prefix) > length:
                best, length = name, len(prefix)
    return best


def is_test(path: str) -> bool:
    """A unit test, a fuzz target, or test support beside the code it serves."""
    return path.endswith(("_test.cpp", "_fuzz.cpp", "_test_support.h"))


def sources(root: Path, groups=GROUPS, rules=RULES, covered=COVERED):
    """(path relative to root, its group) of every source under the folders of
    the ruled groups and under covered, in path order."""
    folders = {prefix.rsplit("/", 1)[0] for name in rules for prefix in groups[name]}
    folders.update(folder.rstrip("/") for folder in covered)
    seen = set()
    for folder in sorted(folders):
        for path in sorted((root / folder).rglob("*")):
            if path.suffix in SOURCE_SUFFIXES and path.is_file() and path not in seen:
                seen.add(path)
                relative = path.relative_to(root).as_posix()
                yield relative, group_of(relative, groups)


def includes(root: Path, path: str) -> list[str]:
    return INCLUDE.findall((root / path).read_text(encoding="utf-8", errors="replace"))


def violations(root: Path = ROOT, groups=GROUPS, rules=RULES, test_rules=TEST_RULES) -> list[str]:
    """"<source>: includes <header> (<group>), which <its group> may not" for
    every include of a ruled source outside its own group and its rule."""
    found = []
    for path, group in sources(root, groups, rules):
        if group not in rules:
            continue
        allowed = {group, *rules[group], *(test_rules if is_test(path) else ())}
        for header in includes(root, path):
            target = group_of(header, groups)
            if target not in allowed:
                found.append(f"{path}: includes {header} ({target or 'no group'}), "
                             f"which {group} may not")
    return found


def uncovered(root: Path = ROOT, groups=GROUPS, rules=RULES, covered=COVERED) -> list[str]:
    return [path for path, group in sources(root, groups, rules, covered)
            if path.startswith(covered) and group not in rules]


def include_graph(root: Path = ROOT, groups=GROUPS, rules=RULES) -> dict[str, set[str]]:
    """For each ruled group, the other groups its product sources (tests aside) include."""
    graph = {name: set() for name in rules}
    for path, group in sources(root, groups, rules):
        if group in rules and not is_test(path):
            graph[group].update(target for header in includes(root, path)
                                if (target := group_of(header, groups)) not in (None, group))
    return graph


def cycles(edges: dict[str, set[str] | tuple[str, ...]]) -> list[list[str]]:
    """The cycles found by a depth-first walk, each as the groups along it, its
    first group repeated at the end; [] for a graph without cycles."""
    found, state = [], {}
    def walk(node, path):
        state[node] = "open"
        for target in sorted(edges.get(node, ())):
            if state.get(target) == "open":
                found.append(path[path.index(target):] + [target])
            elif target not in state:
                walk(target, path + [target])
        state[node] = "done"
    for node in sorted(edges):
        if node not in state:
            walk(node, [node])
    return found
