# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
"""ybBlockFileIO for Python: the files of a photogrammetric block as numpy arrays.

Paths are native paths or host paths with a drive letter (``r"D:\\Blk\\Area1.dms"``); a drive is mapped
with :func:`map_drive` or the environment (``YB_DRIVE_D=/data/d``). A ``str`` path is converted to GBK,
the library's code page; ``bytes`` are taken as GBK already.

Every failure raises :class:`Error` (or a subclass: :class:`FileMissingError`, :class:`DamagedFileError`,
:class:`WriteError`, :class:`ArgumentError`, :class:`NotFoundError`) carrying the result code and its
meaning, from the same table that ``ybblock explain`` prints.

:func:`report_html` writes the block quality page that ``ybblock report --html`` writes.
:func:`export_colmap` and :func:`import_colmap` exchange a block with COLMAP, as ``ybblock export colmap``
and ``ybblock import colmap`` do.
"""

from __future__ import annotations

import functools
import os
from typing import Optional, Union

import numpy as np

from ._ybblockio import (
    GCP_LAYOUT_DTYPE,
    TIE_POINT_DTYPE,
    ArgumentError,
    DamagedFileError,
    Error,
    FileMissingError,
    NotFoundError,
    WriteError,
    drive_root,
    explain,
    export_colmap,
    import_colmap,
    map_drive,
    read_block_option,
    read_gcp_layout,
    read_image_list,
    read_image_points,
    read_tie_points,
    report_html as _report_html,
    write_gcp_layout,
    write_image_points,
    write_tie_points,
)
from ._version import __version__  # written by the build from the project's version

__all__ = [
    "Block",
    "Error",
    "FileMissingError",
    "DamagedFileError",
    "WriteError",
    "ArgumentError",
    "NotFoundError",
    "TIE_POINT_DTYPE",
    "GCP_LAYOUT_DTYPE",
    "map_drive",
    "drive_root",
    "explain",
    "export_colmap",
    "import_colmap",
    "read_block_option",
    "read_image_list",
    "read_tie_points",
    "write_tie_points",
    "read_image_points",
    "write_image_points",
    "read_gcp_layout",
    "write_gcp_layout",
    "report_html",
]

PathArg = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]

IMAGE_TYPES = {
    0: "metric camera",
    1: "digital camera",
    2: "non-metric camera",
    3: "general satellite image",
    4: "SPOT satellite image",
    5: "IKONOS satellite image",
    6: "QUICKBIRD satellite image",
}


class Block:
    """A block, opened from its block option file (``.dms``).

    The record's fields are attributes: ``directory``, ``name``, ``image_type`` (0 to 6, see
    ``IMAGE_TYPES``), ``control_point_file``, ``camera_file``, and ``record`` (its 712 bytes). The image
    list is :attr:`images`; :meth:`tie_points` reads the block tie point file.
    """

    def __init__(self, path: PathArg) -> None:
        info = read_block_option(path)
        self.path = os.fspath(path)
        self.directory: str = info["directory"]
        self.name: str = info["name"]
        self.image_type: int = info["image_type"]
        self.control_point_file: str = info["control_point_file"]
        self.camera_file: str = info["camera_file"]
        self.record: bytes = info["record"]
        # Host paths as GBK bytes, so names that do not convert to text still reach the files.
        self.image_list_path: bytes = info["image_list_path"]
        self.tie_point_path: bytes = info["tie_point_path"]

    @functools.cached_property
    def images(self) -> np.ndarray:
        """The image list: one row per image with ``strip``, ``position``, ``image`` (number), ``path``,
        ``group``, ``record_strip`` and ``extra``, strip by strip. Read on first use."""
        return read_image_list(self.image_list_path)

    def tie_points(self, image: Optional[int] = None) -> np.ndarray:
        """The block's tie point observations (all, or those of one image number), read now."""
        return read_tie_points(self.tie_point_path, image)

    def __repr__(self) -> str:
        kind = IMAGE_TYPES.get(self.image_type, f"image type {self.image_type}")
        return f"Block({self.path!r}: {self.name}, {kind}, in {self.directory})"


def report_html(block: Union[Block, PathArg], path: PathArg, *, min_ties: int = 6) -> dict:
    """Writes the block quality page of `block` (a :class:`Block` or its block option file) to `path`: one
    self-contained HTML file, as ``ybblock report --html`` writes it. Images and links tied by fewer than
    `min_ties` points are marked weak. Returns a dict with ``images``, ``links``, ``bytes`` and ``problem``:
    what the page could not show (no or a damaged tie point file; the page says so too), empty when the
    page is whole. Raises Error when the block option file cannot be read or the page cannot be written."""
    return _report_html(block.path if isinstance(block, Block) else block, path, min_ties=min_ties)
