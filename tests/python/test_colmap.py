# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
"""ybblockio.export_colmap and import_colmap on a simulated survey: the same work as the tool's commands."""

import subprocess

import pytest

import ybblockio

SURVEY = r"D:\Survey\Survey.dms"


@pytest.fixture
def survey(tmp_path, ybblock_tool, monkeypatch):
    subprocess.run([ybblock_tool, "demo", "--survey", str(tmp_path)], check=True, capture_output=True)
    ybblockio.map_drive("D", tmp_path)
    yield tmp_path
    ybblockio.map_drive("D", None)


def test_export_writes_the_database_and_keeps_an_existing_one(survey):
    out = survey / "colmap"
    summary = ybblockio.export_colmap(SURVEY, out)
    assert (summary["images"], summary["cameras"], summary["camera_model"]) == (24, 1, "PINHOLE")
    assert summary["camera_params"] == [4000.0, 4000.0, 1502.0, 1001.5]
    assert summary["keypoints"] == len(ybblockio.Block(SURVEY).tie_points()) and summary["pairs"] > 24
    assert (out / "database.db").is_file() and (out / "README.txt").is_file()
    assert (out / "image_list.txt").read_text().split() == [f"{s}{p:02d}.ybi" for s in ("01", "02", "03")
                                                            for p in range(1, 9)]
    # Refusals carry the code of their kind, and name the keyword that overrides them.
    with pytest.raises(ybblockio.ArgumentError, match=r"is there already.*force=True replaces it") as raised:
        ybblockio.export_colmap(SURVEY, out)
    assert raised.value.code == 4000015 and raised.value.meaning == ybblockio.explain(4000015)["meaning"]
    assert ybblockio.export_colmap(SURVEY, out, force=True)["images"] == 24


def test_import_refuses_a_model_not_of_the_block_and_names_colmaps_own_points_apart(survey):
    block = ybblockio.Block(SURVEY)
    before = block.tie_points()
    model = survey / "model"
    model.mkdir()
    (model / "cameras.txt").write_text("# a camera\n1 PINHOLE 3000 2000 4000 4000 1502 1001.5\n")
    (model / "images.txt").write_text(
        "1 1 0 0 0 0 0 0 1 0101.ybi\n10.5 20.5 7 -3 -3 -1\n"
        "2 1 0 0 0 0 0 0 1 sub/0102.YBI\n30.5 40.5 7\n"
        "3 1 0 0 0 0 0 0 1 elsewhere.jpg\n50.5 60.5 7\n")
    (model / "points3D.txt").write_text("7 1 2 3 0 0 0 0.5 1 0 2 0 3 0\n")
    with pytest.raises(ybblockio.ArgumentError, match=r"no export record.*1 of its 3 images.*force=True") as raised:
        ybblockio.import_colmap(model, SURVEY)
    assert raised.value.code == 4000015
    dry = ybblockio.import_colmap(model, SURVEY, force=True, dry_run=True)
    assert (dry["matched_images"], dry["missing_images"], dry["added"]) == (2, ["elsewhere.jpg"], 2)
    assert dry["after"] == len(before) + 2 and len(block.tie_points()) == len(before)
    assert dry["database"] is None and len(dry["forced"]) == 2
    done = ybblockio.import_colmap(model, SURVEY, force=True, tag="hand")
    assert (done["before"], done["after"], done["binary"], done["tag"]) == (len(before), len(before) + 2, False, "hand")
    ours = block.tie_points()
    ours = ours[ours["name"] == b"COLMAP_hand_7"]
    assert list(ours["image"]) == [101, 102]
    assert list(ours["x"]) == [10.0, 30.0] and list(ours["y"]) == [20.0, 40.0]
    (model / "cameras.txt").write_text("1 NO_SUCH_MODEL 3000 2000 1\n")
    with pytest.raises(ybblockio.DamagedFileError, match="unknown camera model 'NO_SUCH_MODEL'"):
        ybblockio.import_colmap(model, SURVEY, force=True)
    assert len(block.tie_points()) == len(before) + 2


def test_import_of_the_export_keeps_the_blocks_names(survey):
    out = survey / "colmap"
    ybblockio.export_colmap(SURVEY, out)
    before = ybblockio.Block(SURVEY).tie_points()
    # COLMAP's images.txt for the first two images, every keypoint of theirs that they share in one track.
    first, second = before[before["image"] == 101], before[before["image"] == 102]
    shared = sorted(set(first["name"]) & set(second["name"]))
    lines = []
    for image_id, name, image in ((1, "0101.ybi", first), (2, "0102.ybi", second)):
        keys = [f"{x + 0.5!r} {y + 0.5!r} {shared.index(n) + 1 if n in shared else -1}"
                for n, x, y in zip(image["name"], image["x"], image["y"])]
        lines += [f"{image_id} 1 0 0 0 0 0 0 1 {name}", " ".join(keys)]
    tracks = [f"{k + 1} 0 0 0 0 0 0 0.1 1 {list(first['name']).index(n)} 2 {list(second['name']).index(n)}"
              for k, n in enumerate(shared)]
    model = out / "sparse" / "0"
    model.mkdir(parents=True)
    (model / "cameras.txt").write_text("1 PINHOLE 3000 2000 4000 4000 1502 1001.5\n")
    (model / "images.txt").write_text("\n".join(lines) + "\n")
    (model / "points3D.txt").write_text("\n".join(tracks) + "\n")
    done = ybblockio.import_colmap(model, SURVEY)
    assert done["database"] == str(out / "database.db") and done["exported_from"] == SURVEY
    assert (done["kept"], done["added"], done["changed"]) == (2 * len(shared), 0, 2 * len(shared))
    after = ybblockio.Block(SURVEY).tie_points()
    assert len(after) == len(before) and set(after["name"]) == set(before["name"])


def test_a_block_option_file_cut_short_stops_the_exchange(survey):
    path = survey / "Survey" / "Survey.dms"
    path.write_bytes(path.read_bytes()[:100])
    for exchange in (lambda: ybblockio.export_colmap(SURVEY, survey / "out"),
                     lambda: ybblockio.import_colmap(survey, SURVEY, force=True)):
        with pytest.raises(ybblockio.DamagedFileError, match="every block option file is 739 bytes") as raised:
            exchange()
        assert raised.value.code == 4000032
    assert not (survey / "out").exists()


def test_the_demo_block_is_in_the_suites_units(demo):
    # Inner orientation in micrometres: its 21 um pixels over a 152.8 mm principal distance make a
    # camera of about 7276 pixels' focal length for 11000-pixel images, and a detached observation's
    # photo coordinates are millimetres, 0.021 mm a pixel.
    summary = ybblockio.export_colmap(r"D:\DemoBlock\Demo.dms", demo / "colmap")
    fx, fy, cx, cy = summary["camera_params"]
    assert fx == fy == pytest.approx(152.8 / 0.021) and cx == pytest.approx((4 + 115000) / 21 + 0.5)
    detached = ybblockio.read_image_points(demo / "DemoBlock" / "Temp" / "0103.ijp")
    assert len(detached) > 0
    assert detached["photo_x"] == pytest.approx(0.021 * detached["x"] - 115.004)
    assert detached["photo_y"] == pytest.approx(-0.021 * detached["y"] + 115.002)
