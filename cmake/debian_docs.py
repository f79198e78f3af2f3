# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
"""Writes what Debian wants in /usr/share/doc/<package> of every package, into OUTPUT_DIR:

  copyright             machine-readable, with the licence's whole text (MIT is no common licence)
  changelog.Debian.gz   one entry per release of CHANGELOG.md, newest first; the project's version
                        without a release of its own takes the Unreleased section, dated today
  changelog.gz          CHANGELOG.md itself (the upstream changelog)

Both gzipped at the highest level and without a time stamp.

    python3 debian_docs.py SOURCE_DIR VERSION DEBIAN_REVISION SOURCE_PACKAGE MAINTAINER OUTPUT_DIR
"""

import datetime
import email.utils
import gzip
import pathlib
import re
import sys
import textwrap


def packed(path, text):
    with open(path, "wb") as raw, gzip.GzipFile(filename="", mode="wb", fileobj=raw, compresslevel=9,
                                                mtime=0) as out:
        out.write(text.encode())


def copyright_file(licence, maintainer):
    body = "\n".join(" " + line if line.strip() else " ." for line in licence.rstrip("\n").split("\n"))
    return ("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
            "Upstream-Name: ybBlockFileIO\n"
            f"Upstream-Contact: {maintainer}\n\n"
            "Files: *\nCopyright: 2026 The ybBlockFileIO developers\nLicense: MIT\n\n"
            f"License: MIT\n{body}\n")


def releases(changelog):
    """(version, date or None, [(section, first sentence of each item)]) from the newest down."""
    found = []
    for block in re.split(r"^## ", changelog, flags=re.M)[1:]:
        heading, _, body = block.partition("\n")
        match = re.match(r"\[([^\]]+)\](?: - (\d{4}-\d\d-\d\d))?", heading)
        if not match:
            continue
        items = []
        section = ""
        for part in re.split(r"^(### .*|- )", body, flags=re.M):
            if part.startswith("### "):
                section = part[4:].strip()
            elif part.strip() and part != "- " and section:
                text = " ".join(part.split())
                sentence = re.split(r"(?<=[a-z0-9)`])\. ", text, maxsplit=1)[0].rstrip(".")
                items.append((section, sentence))
        found.append((match.group(1), match.group(2), items))
    return found


def debian_changelog(changelog, version, revision, source, maintainer):
    entries = []
    known = {name for name, _, _ in releases(changelog)}
    for name, date, items in releases(changelog):
        if name == "Unreleased":
            if version in known:
                continue
            name, date = version, datetime.date.today().isoformat()
        if not date:
            continue
        stamp = datetime.datetime.fromisoformat(date).replace(tzinfo=datetime.timezone.utc)
        lines = [f"{source} ({name}-{revision}) unstable; urgency=medium", ""]
        if not items:
            items = [("Release", f"ybBlockFileIO {name}")]
        for section, sentence in items:
            lines += textwrap.wrap(f"{section}: {sentence}.", width=78, initial_indent="  * ",
                                   subsequent_indent="    ", break_on_hyphens=False)
        lines += ["", f" -- {maintainer}  {email.utils.format_datetime(stamp)}", ""]
        entries.append("\n".join(lines))
    return "\n".join(entries)


def main():
    source_dir, version, revision, source, maintainer, output = sys.argv[1:7]
    source_dir = pathlib.Path(source_dir)
    output = pathlib.Path(output)
    output.mkdir(parents=True, exist_ok=True)
    changelog = (source_dir / "CHANGELOG.md").read_text()
    (output / "copyright").write_text(copyright_file((source_dir / "LICENSE").read_text(), maintainer))
    packed(output / "changelog.Debian.gz", debian_changelog(changelog, version, revision, source, maintainer))
    packed(output / "changelog.gz", changelog)


if __name__ == "__main__":
    main()
