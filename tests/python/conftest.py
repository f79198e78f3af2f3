# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
"""Fixtures of the ybblockio and plot tests: the ybblock tool (YBBLOCK), and the demo block in a fresh
folder mapped as drive D: (for this process and for the tool's)."""

import os
import subprocess

import pytest

import ybblockio


@pytest.fixture(scope="session")
def ybblock_tool():
    tool = os.environ.get("YBBLOCK")
    if not tool:
        pytest.skip("YBBLOCK names no ybblock tool")
    return tool


@pytest.fixture
def demo(tmp_path, ybblock_tool, monkeypatch):
    """The weakly tied demo block's folder (the tests count on its few points), mapped as D:."""
    subprocess.run([ybblock_tool, "demo", "--weak", str(tmp_path)], check=True, capture_output=True)
    ybblockio.map_drive("D", tmp_path)
    monkeypatch.setenv("YB_DRIVE_D", str(tmp_path))
    yield tmp_path
    ybblockio.map_drive("D", None)
