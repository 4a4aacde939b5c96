"""The Windows edition tags of Setup.ini, the word size of the Windows each is
for (and so of its DPInst.exe), and the Setup.ini that names their folders."""

from __future__ import annotations

from collections.abc import Mapping

# Edition tag -> word size of the Windows it is for, in the order Setup.ini lists them.
TAG_BITS = {"WinXP32": 32, "WinXP64": 64, "Vista32": 32, "Vista64": 64, "Win7_32": 32, "Win7_64": 64}
TAGS = tuple(TAG_BITS)
# The folder of the package that serves every tag of a word size: the sample's,
# and make-dist's for its --x86 and --amd64 packages.
PACKAGE_FOLDER = {32: "x86", 64: "amd64"}

_INI_HEADER = "; Setup.ini: which package folder serves which Windows edition and word size.\r\n[Dir]\r\n"


def setup_ini(folder_of: Mapping[str, str]) -> str:
    """The text of a Setup.ini whose [Dir] section gives each tag its folder."""
    return _INI_HEADER + "".join(f"{tag} = {folder}\r\n" for tag, folder in folder_of.items())


# The Setup.ini of the distributions laid out from the sample in the tests: one
# package folder per tag, named like the tag.
SAMPLE_SETUP_INI = setup_ini({tag: tag for tag in TAG_BITS})
