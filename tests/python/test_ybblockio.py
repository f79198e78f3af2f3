# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
"""ybblockio: the library's files as numpy arrays, written back byte for byte, and its failures as
exceptions carrying the result code and its meaning."""

import sys
from pathlib import Path

import numpy as np
import pytest

import ybblockio

BLOCK = r"D:\DemoBlock\Demo.dms"
TIE_POINTS = r"D:\DemoBlock\Demo.scp"


def test_records_have_the_file_layouts():
    tie = ybblockio.TIE_POINT_DTYPE
    assert tie.itemsize == 70
    assert tie.names == ("image", "name", "type", "x", "y", "photo_x", "photo_y")
    assert {name: tie.fields[name][1] for name in tie.names} == {
        "image": 32, "name": 38, "type": 36, "x": 16, "y": 24, "photo_x": 0, "photo_y": 8}
    assert tie["name"] == np.dtype("S32") and tie["type"] == np.dtype("<i2")
    gcp = ybblockio.GCP_LAYOUT_DTYPE
    assert gcp.itemsize == 84 and gcp["images"].shape == (12,) and gcp.fields["image_count"][1] == 32


def test_block_offers_its_record_image_list_and_tie_points(demo):
    block = ybblockio.Block(BLOCK)
    assert (block.name, block.directory, block.image_type) == ("Demo", r"D:\DemoBlock", 0)
    assert block.camera_file == r"D:\DemoBlock\Demo.cmr" and len(block.record) == 712
    images = block.images
    assert images.dtype.names == ("strip", "position", "image", "path", "group", "record_strip", "extra")
    assert list(images["image"]) == [101, 102, 103, 104, 105, 201, 202, 203, 204, 205]
    assert list(images["strip"]) == [1] * 5 + [2] * 5 and images["position"][6] == 2
    assert images["path"][0] == r"D:\DemoBlock\Images\0101.ybi"
    points = block.tie_points()
    assert points.dtype == ybblockio.TIE_POINT_DTYPE and len(points) > 0
    # Grouped by image as the file holds them; one image's points are its group.
    one = block.tie_points(102)
    assert len(one) > 0 and np.array_equal(one, points[points["image"] == 102])
    assert len(block.tie_points(999)) == 0


def test_tie_points_round_trip_byte_exact(demo, tmp_path):
    original = (demo / "DemoBlock" / "Demo.scp").read_bytes()
    points = ybblockio.read_tie_points(TIE_POINTS)
    ybblockio.write_tie_points(r"D:\copy.scp", points)
    assert (demo / "copy.scp").read_bytes() == original
    # A changed array reads back as written, bytes after a name's terminator included.
    points = points.copy()
    points["x"] += 0.25
    points["name"][0] = b"A1\x00tail"
    ybblockio.write_tie_points(tmp_path / "changed.scp", points)
    again = ybblockio.read_tie_points(tmp_path / "changed.scp")
    assert again.tobytes() == points.tobytes()
    # Image point files and GCP layout files the same way.
    ybblockio.write_image_points(tmp_path / "p.ijp", points[:5])
    assert ybblockio.read_image_points(tmp_path / "p.ijp").tobytes() == points[:5].tobytes()
    layout = np.zeros(2, ybblockio.GCP_LAYOUT_DTYPE)
    layout["caller_data"] = [b"G1", b"G2"]
    layout["image_count"] = [2, 1]
    layout["images"][0, :2] = [101, 102]
    layout["images"][1, 0] = 201
    ybblockio.write_gcp_layout(tmp_path / "gcp.lay", layout)
    assert ybblockio.read_gcp_layout(tmp_path / "gcp.lay").tobytes() == layout.tobytes()


def test_gbk_host_paths_name_utf8_files(demo):
    points = ybblockio.read_tie_points(TIE_POINTS)
    points["name"][:2] = ["点1".encode("gbk"), "点2".encode("gbk")]
    (demo / "测区").mkdir()
    ybblockio.write_tie_points(r"D:\测区\连接点.scp", points)
    assert (demo / "测区" / "连接点.scp").is_file()
    back = ybblockio.read_tie_points("D:\\测区\\连接点.scp".encode("gbk"))  # bytes: GBK already
    assert back.tobytes() == points.tobytes()
    assert back["name"][1].decode("gbk") == "点2"


@pytest.mark.parametrize("damage, error, code", [
    (lambda data: data[:200], ybblockio.DamagedFileError, 4000032),    # cut short
    (lambda data: b"X" + data[1:], ybblockio.DamagedFileError, 4000032),  # wrong magic
])
def test_damaged_file_raises_its_code(demo, damage, error, code):
    path = demo / "DemoBlock" / "Demo.scp"
    path.write_bytes(damage(path.read_bytes()))
    with pytest.raises(error) as raised:
        ybblockio.read_tie_points(TIE_POINTS)
    assert raised.value.code == code
    assert raised.value.meaning == ybblockio.explain(code)["meaning"]
    assert raised.value.path == TIE_POINTS and raised.value.messages


def test_unmapped_drive_and_wrong_arguments(demo, monkeypatch):
    monkeypatch.delenv("YB_DRIVE_Q", raising=False)
    with pytest.raises(ybblockio.FileMissingError) as raised:
        ybblockio.Block(r"Q:\Blk\A.dms")
    assert raised.value.code == 4000028 and raised.value.constant == "yb::kCannotOpen"
    assert "map_drive('Q'" in str(raised.value) and "drive Q: is not mapped" in raised.value.where
    assert isinstance(raised.value, ybblockio.Error)
    with pytest.raises(TypeError, match="fields"):
        ybblockio.write_tie_points(r"D:\x.scp", np.zeros(3, dtype=[("image", "<i4")]))
    with pytest.raises(ValueError):
        ybblockio.map_drive("DD", demo)
    # A folder that is not there is named as such, on a mapped drive and in a native path.
    ybblockio.map_drive("Q", demo / "no" / "such")
    with pytest.raises(ybblockio.FileMissingError) as raised:
        ybblockio.read_tie_points(r"Q:\x.scp")
    assert raised.value.where == f"the folder {demo / 'no' / 'such'} does not exist"
    ybblockio.map_drive("Q", None)
    with pytest.raises(ybblockio.WriteError) as raised:
        ybblockio.write_tie_points(demo / "none" / "x.scp", ybblockio.read_tie_points(TIE_POINTS))
    assert raised.value.where == f"the folder {demo / 'none'} does not exist"
    with pytest.raises(KeyError):
        ybblockio.explain(12345)


def test_writers_take_arrays_of_the_same_fields_and_refuse_names_without_room(demo, tmp_path):
    points = ybblockio.read_tie_points(TIE_POINTS)
    # numpy gives joined arrays a packed layout of the same fields; a plain dtype of other types converts.
    plain = np.zeros(2, dtype=[("image", "<i8"), ("name", "S32"), ("type", "<i4"), ("x", "<f4"), ("y", "<f8"),
                               ("photo_x", "<f8"), ("photo_y", "<f8")])
    plain["image"], plain["name"], plain["x"] = 101, [b"P1", b"P2"], 1.5
    for joined in (np.concatenate([points[:2], points[2:]]), np.append(points[:2], points[2:]),
                   np.hstack([points[:2], points[2:]]), np.r_[points[:2], points[2:]]):
        ybblockio.write_tie_points(tmp_path / "joined.scp", joined)
        assert ybblockio.read_tie_points(tmp_path / "joined.scp").tobytes() == points.tobytes()
        ybblockio.write_image_points(tmp_path / "joined.ijp", joined[:3])
        assert ybblockio.read_image_points(tmp_path / "joined.ijp").tobytes() == points[:3].tobytes()
    ybblockio.write_tie_points(tmp_path / "plain.scp", plain)
    back = ybblockio.read_tie_points(tmp_path / "plain.scp")
    assert list(back["name"]) == [b"P1", b"P2"] and list(back["x"]) == [1.5, 1.5]


def wide(points, **changes):
    """The observations in a plain layout of wider types (int64 image and type, Unicode names)."""
    array = np.zeros(len(points), dtype=[("image", "<i8"), ("name", "U40"), ("type", "<i8"), ("x", "<f8"),
                                          ("y", "<f8"), ("photo_x", "<f8"), ("photo_y", "<f8")])
    for field in ("image", "type", "x", "y", "photo_x", "photo_y"):
        array[field] = points[field]
    array["name"] = [name.decode("gbk") for name in points["name"]]
    for field, (row, value) in changes.items():
        array[field][row] = value
    return array


def test_writers_write_what_the_tool_would_or_refuse_naming_row_and_field(demo, tmp_path):
    points = ybblockio.read_tie_points(TIE_POINTS)[:4]
    # Unicode names are written in GBK; a name too long for the field, or with characters GBK lacks, is refused.
    chinese = wide(points, name=(2, "点名"))
    ybblockio.write_tie_points(tmp_path / "u.scp", chinese)
    assert ybblockio.read_tie_points(tmp_path / "u.scp")["name"][2].decode("gbk") == "点名"
    long = points.copy()
    long["name"][1] = b"N" * 32
    refused = [
        (wide(points, image=(3, 2**40)), r"row 3, image: 1099511627776 is not a whole number from -2147483648"),
        (wide(points, type=(1, 70000)), r"row 1, type: 70000 is not a whole number from -32768 to 32767"),
        (wide(points, name=(0, "点" * 17)), r"row 0, name: '点{17}' is 34 bytes in GBK; the field holds 32"),
        (wide(points, name=(2, "\U0001F600")), r"row 2, name: .* cannot be written in GBK"),
        (wide(points, name=(1, "")), r"row 1, name: it is empty"),
        (wide(points, x=(2, np.nan)), r"row 2, x: nan is not a finite number"),
        (wide(points, photo_y=(0, -np.inf)), r"row 0, photo_y: -inf is not a finite number"),
        (long, r"row 1, name: it fills all 32 bytes"),
    ]
    for array, says in refused:
        for write in (ybblockio.write_tie_points, ybblockio.write_image_points):
            with pytest.raises(ybblockio.ArgumentError, match=says) as raised:
                write(tmp_path / "bad.scp", array)
            assert raised.value.code == 4000015
    assert not (tmp_path / "bad.scp").exists()
    layout = np.zeros(1, dtype=[("caller_data", "U8"), ("image_count", "<i8"), ("images", "<i8", (12,))])
    layout["images"][0, 5] = -2**33
    with pytest.raises(ybblockio.ArgumentError, match=r"row 0, images\[5\]: -8589934592 is not a whole number"):
        ybblockio.write_gcp_layout(tmp_path / "g.gcl", layout)


def test_a_block_option_file_cut_short_is_refused_as_the_tool_refuses_it(demo):
    path = demo / "DemoBlock" / "Demo.dms"
    path.write_bytes(path.read_bytes()[:100])
    for read in (ybblockio.read_block_option, ybblockio.Block):
        with pytest.raises(ybblockio.DamagedFileError,
                           match="it is 100 bytes; every block option file is 739 bytes") as raised:
            read(BLOCK)
        assert raised.value.code == 4000032 and raised.value.path == BLOCK


def test_every_function_and_class_says_what_it_does_and_what_its_arguments_take():
    assert ybblockio.write_tie_points.__doc__.startswith(
        "write_tie_points(path: str | bytes | os.PathLike, points: numpy.ndarray) -> None")
    for name in ybblockio.__all__:
        thing = getattr(ybblockio, name)
        if not callable(thing):
            continue
        doc = thing.__doc__ or ""
        if not isinstance(thing, type):
            doc = doc.split("\n\n", 1)[-1] if doc.startswith(name + "(") else doc  # past the signature
        assert doc.strip(), name
    for member in ("images", "tie_points"):
        assert getattr(ybblockio.Block, member).__doc__.strip(), member


def test_the_readme_session_passes_the_type_checker(tmp_path, monkeypatch):
    mypy = pytest.importorskip("mypy.api")
    readme = (Path(__file__).parents[2] / "README.md").read_text(encoding="utf-8")
    session = readme[readme.index("```python\n>>> import ybblockio"):]
    session = session[:session.index("```", 3)]
    code = "\n".join(line[4:] for line in session.splitlines() if line.startswith(">>> "))
    code += "\ntry:\n    ybblockio.read_tie_points('x.scp')\nexcept ybblockio.Error as e:\n    print(e.code, e.messages, e.where)\n"
    (tmp_path / "session.py").write_text(code, encoding="utf-8")
    monkeypatch.setenv("MYPYPATH", str(Path(ybblockio.__file__).parents[1]))  # the package as built
    report, errors, status = mypy.run(["--no-incremental", "--cache-dir", str(tmp_path / "cache"),
                                       "--python-executable", sys.executable, str(tmp_path / "session.py")])
    assert status == 0, report + errors
