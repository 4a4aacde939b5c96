"""From driver packages to a shippable distribution; run as scripts/make-dist.sh:

    scripts/make-dist.sh --x86 DIR --amd64 DIR --dpinst-x86 FILE --dpinst-x64 FILE --out DIR
                         [--package TAG=DIR ...]

Builds Setup.exe (win32 preset) and the checker (host preset), lays the
distribution out in a folder beside OUT, signs Setup.exe when the signing
variables are set, runs the checker on it as the gate, archives it, and only
then moves OUT, OUT.zip and OUT.zip.sha256 into place. Exit code: 0 made (the
checker's warnings are printed); 2 refused (a bad argument, a missing input, an
OUT that exists and is not empty, or the checker's errors); 1 a tool failed (the
build or signing). After a refusal or failure nothing it wrote is left.

The archive is byte-reproducible: entries sorted, each file 0644 and each
folder 0755, all dated SOURCE_DATE_EPOCH or else the commit's time (UTC).

    outcome   how a run reports: its messages, refusals and failures
    inputs    the command line and the checks of what it names
    tools     the build, the commit's time, signing and the checker
    archive   the reproducible zip
    make      the distribution laid out, checked, archived and moved into place
"""
