# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
"""Writes the manual page of ybblock from the tool's own help, so that it lists every command the
build has: NAME and DESCRIPTION from `ybblock --help`, one section per command (and per subcommand)
with its `--help`, and the exit status. The page is gzipped without a time stamp, as Debian wants it.

    python3 manpage.py YBBLOCK VERSION OUTPUT.1.gz
"""

import gzip
import re
import subprocess
import sys


def help_of(tool, words):
    """The help text of `ybblock WORDS --help`, as lines."""
    run = subprocess.run([tool, *words, "--help"], capture_output=True, text=True, check=True,
                         env={"LC_ALL": "C.UTF-8", "COLUMNS": "100"})
    return run.stdout.rstrip("\n").split("\n")


def subcommands(lines):
    """The names listed under "Subcommands:" in a help text."""
    names = []
    listing = False
    for line in lines:
        if line == "Subcommands:":
            listing = True
        elif listing and not line.strip():
            break
        elif listing:
            match = re.match(r"^  (\S+)\s", line)
            if match:
                names.append(match.group(1))
    return names


def roff(text):
    """A line of help as roff text: backslashes and minus signs written out, no line taken for a request."""
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return "\\&" + text if text[:1] in (".", "'") else text


def verbatim(lines):
    """Lines kept as the help lays them out."""
    return [".nf"] + [roff(line) for line in lines] + [".fi"]


def paragraph(lines):
    return [roff(" ".join(line.strip() for line in lines))]


def main():
    tool, version, output = sys.argv[1:4]
    top = help_of(tool, [])
    usage = next(i for i, line in enumerate(top) if line.startswith("Usage:"))
    status = next((i for i in range(usage) if top[i].startswith("Exit status:")), usage)
    summary = top[0].split(":", 1)[1].strip().rstrip(".")
    options_start = top.index("Options:") + 1
    options_end = next((i for i in range(options_start, len(top)) if not top[i].strip()), len(top))

    page = [f'.TH YBBLOCK 1 "" "ybBlockFileIO {version}" "User Commands"',
            ".SH NAME", roff(f"ybblock - {summary}"),
            ".SH SYNOPSIS", ".B ybblock", "\\fICOMMAND\\fR [\\fIOPTIONS\\fR] [\\fIARGUMENTS\\fR]",
            ".br", ".B ybblock", "\\fICOMMAND\\fR \\fB\\-\\-help\\fR",
            ".br", ".B ybblock", "[\\fB\\-\\-help\\fR | \\fB\\-\\-version\\fR]",
            ".SH DESCRIPTION", *paragraph([top[0]] + top[1:status]),
            ".SH OPTIONS", *verbatim(top[options_start:options_end]),
            ".SH COMMANDS", *paragraph(["Each command prints its arguments and an example with --help."])]
    pending = [[name] for name in subcommands(top)]
    while pending:
        words = pending.pop(0)
        lines = help_of(tool, words)
        page += [f'.SS "ybblock {" ".join(words)}"', *verbatim(lines)]
        pending[0:0] = [words + [name] for name in subcommands(lines)]
    page += [".SH EXIT STATUS", *paragraph(top[status:usage]),
             ".SH ENVIRONMENT",
             ".TP", ".B YB_DRIVE_\\fIX\\fP",
             "the native folder that drive letter \\fIX\\fP of a host path names, for example",
             "YB_DRIVE_D=/data/d maps D:.",
             ".SH SEE ALSO",
             "The README of ybBlockFileIO, and \\fBybblock explain all\\fR for the result codes."]
    with open(output, "wb") as raw, gzip.GzipFile(filename="", mode="wb", fileobj=raw, compresslevel=9,
                                                   mtime=0) as packed:
        packed.write(("\n".join(page) + "\n").encode())


if __name__ == "__main__":
    main()
