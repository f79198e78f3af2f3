# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
"""Types of the ybblockio extension module."""

import os
from typing import List, Optional, TypedDict, Union

import numpy as np

_Path = Union[str, bytes, os.PathLike[str], os.PathLike[bytes]]

TIE_POINT_DTYPE: np.dtype
"""One observation (70 bytes, the tie point file's record): image (int32), name (S32, GBK bytes),
type (int16), x, y (measured), photo_x, photo_y (float64)."""

GCP_LAYOUT_DTYPE: np.dtype
"""One ground control point of a GCP layout file (84 bytes): caller_data (S32), image_count (int32),
images (12 x int32, the first image_count meaningful)."""

class Error(Exception):
    """A call of the library failed."""
    code: int
    constant: str
    meaning: str
    path: Optional[str]
    where: Optional[str]
    messages: List[str]

class FileMissingError(Error): ...
class DamagedFileError(Error): ...
class WriteError(Error): ...
class ArgumentError(Error): ...
class NotFoundError(Error): ...

class _BlockOption(TypedDict):
    directory: str
    name: str
    image_type: int
    control_point_file: str
    camera_file: str
    image_list_path: bytes
    tie_point_path: bytes
    record: bytes

class _CodeInfo(TypedDict):
    code: int
    constant: str
    library: str
    meaning: str
    operations: str

def map_drive(letter: str, folder: Optional[Union[str, bytes, os.PathLike[str]]]) -> None:
    """Maps drive `letter` ("D" or "D:") onto a native folder; None removes the mapping."""

def drive_root(letter: str) -> Optional[str]:
    """The native folder drive `letter` is mapped onto (by map_drive or YB_DRIVE_<letter>), or None."""

def explain(code: int) -> _CodeInfo:
    """What a result code means and which operations return it; KeyError for an unknown code."""

class _ColmapExport(TypedDict):
    database: str
    images: int
    cameras: int
    camera_model: str
    camera_params: list[float]
    keypoints: int
    pairs: int
    matches: int
    notes: list[str]

class _ColmapImport(TypedDict):
    binary: bool
    model_images: int
    matched_images: int
    missing_images: list[str]
    database: Optional[str]
    exported_from: str
    forced: list[str]
    foreign_keypoint_images: int
    tag: str
    points: int
    kept: int
    own_points: int
    adopted: int
    stale: int
    joined: int
    split: int
    short_tracks: int
    observations: int
    added: int
    changed: int
    unchanged: int
    before: int
    after: int
    tie_point_file: str
    dry_run: bool

def export_colmap(block: _Path, output: _Path, *, force: bool = False) -> _ColmapExport:
    """Writes the block's camera, images and tie points as COLMAP's database: output/database.db (images
    named by file name, each image's observations as keypoints at the block's (x + 0.5, y + 0.5), the
    matches of every pair of images sharing point names as verified two-view geometries), with
    output/image_list.txt and output/README.txt. An existing database.db is kept unless `force`.
    Raises Error, saying why, for a block COLMAP cannot take (satellite images, no camera file or inner
    orientation, two images of one file name)."""

def import_colmap(model: _Path, block: _Path, *, database: Optional[_Path] = None, tag: str = "",
                  force: bool = False, dry_run: bool = False) -> _ColmapImport:
    """Merges the tracks of the COLMAP sparse model in folder `model` (cameras, images, points3D; binary
    or text) into the block's tie point file through the library's merge, as `ybblock import colmap`.
    Images are matched to the block's list by file name (others are listed in missing_images and
    skipped). A keypoint the export wrote goes back to the observation it came from, under its name,
    through the record in the export's database (`database`, else database.db in the model's folder
    or one of the two above it): kept counts them; their x, y stay the block's own. COLMAP's own
    keypoints join the one block point of their track, or make the point COLMAP_<tag>_<id> (`tag`, else
    one derived from the model). Every row written has photo coordinates from the inner orientation.
    A model without an export record of this block, with a camera of another size than the block's
    images, or with more than a tenth of its images unknown raises ArgumentError unless `force`. With
    `dry_run`, says what would change and changes nothing. A damaged model raises DamagedFileError,
    with the file and place; the tie point file is then unchanged."""

def read_block_option(path: _Path) -> _BlockOption:
    """The block option record, with the host paths of the block's image list and tie point file. A file
    no block has (cut short, an image type none of 0 to 6, no folder or name) raises DamagedFileError,
    as the tool refuses it."""

def read_image_list(path: _Path) -> np.ndarray:
    """The image list (.bil): strip, position, image, path (str), group, record_strip, extra (7 x int32)."""

def read_tie_points(path: _Path, image: Optional[int] = None) -> np.ndarray:
    """Every observation of a tie point file (grouped by image, in file order), or those of one image,
    as one array of TIE_POINT_DTYPE whose memory is the library's reader's own."""

def write_tie_points(path: _Path, points: np.ndarray) -> None:
    """Writes a tie point file of these observations, grouped by image in the order the images first
    occur. Any array with TIE_POINT_DTYPE's field names is taken (converted when its layout or types
    differ; str names are written in GBK). What the tool would not write raises ArgumentError naming the
    row and the field: a whole number beyond its field, a name that is empty, longer than 31 GBK bytes
    or not GBK, a coordinate that is nan or infinite. A file read by read_tie_points is written back
    byte for byte."""

def read_image_points(path: _Path) -> np.ndarray:
    """The records of an image point file (.ijp and other image control or joint point files)."""

def write_image_points(path: _Path, points: np.ndarray) -> None:
    """Creates or replaces an image point file with these records (TIE_POINT_DTYPE)."""

def read_gcp_layout(path: _Path) -> np.ndarray:
    """The records of a block GCP layout file (GCP_LAYOUT_DTYPE)."""

def write_gcp_layout(path: _Path, records: np.ndarray) -> None:
    """Creates or replaces a block GCP layout file with these records (GCP_LAYOUT_DTYPE)."""

class _HtmlReport(TypedDict):
    images: int
    links: int
    bytes: int
    problem: str

def report_html(block: _Path, path: _Path, *, min_ties: int = 6) -> _HtmlReport:
    """Writes the block quality page of the block option file `block` to `path`, as `ybblock report
    --html`; 'problem' says what the page could not show, empty when it is whole."""
