"""The include direction of the setup program's folders (the README's
"Layout" draws it), of the distribution checker's folders and of
setup_portable's files (docs/release-tools.md, "How the checker is built");
include_rules.py holds the table."""

import pytest

import include_rules as rules


def test_every_checker_source_belongs_to_a_folder_with_a_rule():
    assert rules.uncovered() == []


def test_every_include_follows_its_folders_rule():
    assert rules.violations() == []


def test_the_rules_and_the_includes_have_no_cycle():
    assert rules.cycles(rules.RULES) == []
    assert rules.cycles(rules.include_graph()) == []


def test_every_rule_names_known_groups():
    for group, allowed in rules.RULES.items():
        assert {group, *allowed} <= rules.GROUPS.keys(), group


# The mechanism on a tree of its own: (file, its text) laid out, and what it must report.
TREE = {
    "lib/a/a.h": '#include <string>\n#include "lib/b/b.h"\n',
    "lib/a/a.cpp": '#include "lib/a/a.h"\n',
    "lib/a/a_test.cpp": '#include "lib/t/t.h"\n',
    "lib/b/b.h": "",
    "lib/b/b.cpp": '#  include "lib/a/a.h"\n#include "other/x.h"\n',
    "lib/c/c.cpp": "",
    "lib/t/t.h": '#include "lib/a/a.h"\n',
}
GROUPS = {"a": ("lib/a/",), "b": ("lib/b/",), "t": ("lib/t/",), "x": ("other/x.",)}


@pytest.mark.parametrize("rule_table, test_rules, expected_violations, expected_cycles", [
    # b may include nothing: both its includes are reported.
    ({"a": ("b",), "b": (), "t": ("a",)}, ("t",),
     ["lib/b/b.cpp: includes lib/a/a.h (a), which b may not",
      "lib/b/b.cpp: includes other/x.h (x), which b may not"],
     [["a", "b", "a"]]),
    # Allowed both ways: no violation, but a and b include each other; a's
    # test including t, which includes a, is no cycle.
    ({"a": ("b",), "b": ("a", "x"), "t": ("a",)}, ("t",), [], [["a", "b", "a"]]),
    # Without the tests' rule, a test may not include test support.
    ({"a": ("b",), "b": ("x",), "t": ("a",)}, (),
     ["lib/a/a_test.cpp: includes lib/t/t.h (t), which a may not",
      "lib/b/b.cpp: includes lib/a/a.h (a), which b may not"], [["a", "b", "a"]]),
])
def test_the_mechanism_on_a_tree_of_its_own(tmp_path, rule_table, test_rules, expected_violations,
                                            expected_cycles):
    for name, text in TREE.items():
        (tmp_path / name).parent.mkdir(parents=True, exist_ok=True)
        (tmp_path / name).write_text(text)
    assert rules.violations(tmp_path, GROUPS, rule_table, test_rules) == expected_violations
    assert rules.uncovered(tmp_path, GROUPS, rule_table, ("lib/",)) == ["lib/c/c.cpp"]
    assert rules.cycles(rules.include_graph(tmp_path, GROUPS, rule_table)) == expected_cycles


@pytest.mark.parametrize("edges, expected", [
    ({}, []),
    ({"a": ("b",), "b": ("c",), "c": ()}, []),
    ({"a": ("b",), "b": ("c",), "c": ("a",)}, [["a", "b", "c", "a"]]),
    ({"a": ("a",)}, [["a", "a"]]),
    ({"a": ("b", "c"), "b": ("c",), "c": ()}, []),  # two ways to one group is no cycle
])
def test_cycles(edges, expected):
    assert rules.cycles(edges) == expected


# The folder of each group the product's rules name.
FOLDER_OF = {"setup_portable": "env", "env interfaces": "env", "shared base": "base"}
PRODUCT = {"app": "app", "package": "package", "framework": "framework", "win32": "win32", "env": "env",
           "base": "shared base"}


def readme_layout() -> dict[str, set[str]]:
    """The README's layout table: folder -> the folders it says it includes."""
    text = (rules.ROOT / "README.md").read_text(encoding="utf-8")
    section = text[text.index("### Layout"):]
    table = {}
    for line in section.splitlines():
        cells = [cell.strip() for cell in line.strip().strip("|").split("|")]
        if len(cells) == 3 and cells[0].startswith("`") and cells[0].endswith("/`"):
            table[cells[0].strip("`/")] = {part.strip().strip("`/") for part in cells[2].split(",")} - {"nothing"}
    return table


def test_the_readme_draws_the_product_s_rules():
    expected = {folder: {FOLDER_OF.get(g, g) for g in rules.RULES[group]} - {folder}
                for folder, group in PRODUCT.items()}
    assert readme_layout() == expected
