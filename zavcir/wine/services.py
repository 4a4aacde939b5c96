r"""A command line run from a service of our own (tests/standins/servicetool.cpp),
as deployment tools run installs: in the service's window station, which
nobody sees. Wine 8's service manager starts an own-process service of either
word size in every prefix kind, registered and started with the sc.exe that
the target's loader runs."""

from __future__ import annotations

import shutil
import time

from zavcir.wine.target import tool

SERVICE_NAME = "ZavCirServiceTool"
SERVICE_FOLDER = r"C:\servicetool"


class ServicesMixin:
    """WinePrefix.run_from_service (it provides run() and unix_path())."""

    def run_from_service(self, command_line: str, timeout: float = 300) -> dict[str, str]:
        """Runs a Windows command line from the service and waits for its end (at
        most timeout seconds): what the service wrote, `station` (its window
        station's name), `flags` (0x...), and `exit` (0x..., the full exit code),
        `error` (the command could not be started) or `timeout`."""
        folder = self.unix_path(SERVICE_FOLDER)
        folder.mkdir(parents=True, exist_ok=True)
        result = folder / "result.txt"
        result.unlink(missing_ok=True)
        shutil.copyfile(tool("servicetool.exe"), folder / "servicetool.exe")
        (folder / "command.txt").write_bytes(f"{command_line}\r\n{int(timeout)}\r\n".encode(self.encoding))
        binary = f"{SERVICE_FOLDER}\\servicetool.exe {SERVICE_FOLDER}"
        self.run("sc", "delete", SERVICE_NAME, timeout=60)
        created = self.run("sc", "create", SERVICE_NAME, "type=", "own", "binPath=", binary, timeout=60)
        if created.code != 0:
            raise RuntimeError(f"sc create failed: {created.code} {created.stdout} {created.stderr}")
        started = self.run("sc", "start", SERVICE_NAME, timeout=60)
        if started.code != 0:
            raise RuntimeError(f"sc start failed: {started.code} {started.stdout} {started.stderr}")
        deadline = time.monotonic() + timeout + 30
        while not result.exists():
            if time.monotonic() > deadline:
                raise AssertionError(f"the service wrote no result within {timeout + 30} s")
            time.sleep(0.1)
        return dict(line.split("=", 1) for line in result.read_text(encoding=self.encoding).splitlines()
                    if "=" in line)
