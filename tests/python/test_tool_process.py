# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
"""The built ybblock as its users run it: a process whose reader may go away before it is done."""

import os
import subprocess


def test_a_closed_standard_output_ends_the_printing_never_the_work(tmp_path, ybblock_tool):
    # 400 per-image files are far more to list than a stream keeps before its first write, so that
    # write meets the closed pipe before any file is removed.
    env = dict(os.environ, YB_DRIVE_D=str(tmp_path), YB_SYNC="0")
    subprocess.run([ybblock_tool, "demo", "--strips", "5", "--images", "400", str(tmp_path)], check=True,
                   capture_output=True, env=env)
    temp = tmp_path / "DemoBlock" / "Temp"
    assert len(list(temp.glob("*.ijp"))) == 400
    for command, left in ((["check"], 400), (["clean"], 0)):
        reading, writing = os.pipe()
        os.close(reading)  # as `| head -0`: the reader is gone before the first line
        try:
            done = subprocess.run([ybblock_tool, *command, r"D:\DemoBlock\Demo.dms"], stdout=writing,
                                  stderr=subprocess.PIPE, env=env)
        finally:
            os.close(writing)
        assert done.returncode == 0, (command, done.returncode, done.stderr)
        assert len(list(temp.glob("*.ijp"))) == left, command
