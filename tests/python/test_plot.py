# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
"""ybblock plot on a block whose ties are known: the SVG parses, rsvg-convert renders it, and the middle
of a well-tied and of a weakly tied image shows the ends of the colour scale."""

import shutil
import struct
import subprocess
import xml.etree.ElementTree as ElementTree
import zlib

import numpy as np
import pytest

import ybblockio

BLOCK = r"D:\DemoBlock\Demo.dms"
SVG = "{http://www.w3.org/2000/svg}"
MOST, FEWEST = (0xFD, 0xE7, 0x25), (0x44, 0x01, 0x54)  # the colour scale's ends


def tie_points(shared):
    """Observations of `count` points on each pair of images of `shared`."""
    rows = []
    for serial, (images, count) in enumerate(shared.items()):
        for k in range(count):
            for image in images:
                rows.append((image, f"P{serial:02d}{k:02d}".encode(), 1, 100.0 + k, 200.0 + serial, 0.0, 0.0))
    return np.array(rows, dtype=ybblockio.TIE_POINT_DTYPE)


@pytest.fixture
def tied_block(demo):
    # 103 sees 30 points, most of all; 201 only 2, shared with 202: it is weakly tied.
    shared = {(101, 102): 8, (102, 103): 8, (103, 104): 12, (104, 105): 8, (103, 203): 10,
              (201, 202): 2, (202, 203): 8, (203, 204): 8, (204, 205): 8}
    ybblockio.write_tie_points(r"D:\DemoBlock\Demo.scp", tie_points(shared))
    layout = np.zeros(1, ybblockio.GCP_LAYOUT_DTYPE)
    layout["image_count"] = 4
    layout["images"][0, :4] = [104, 105, 204, 205]
    ybblockio.write_gcp_layout(r"D:\DemoBlock\Demo.gcl", layout)
    return demo


def plot(tool, folder, *options):
    out = folder / "plot.svg"
    subprocess.run([tool, "plot", BLOCK, "-o", str(out), "--gcp-layout", r"D:\DemoBlock\Demo.gcl", *options],
                   check=True, capture_output=True)
    return out


def png_pixels(path):
    """Width, height, bytes per pixel and rows of an 8-bit RGB or RGBA PNG, as rsvg-convert writes it."""
    data = path.read_bytes()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    at, chunks = 8, {}
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        chunks.setdefault(kind, []).append(data[at + 8:at + 8 + length])
        at += 12 + length
    width, height, depth, colour = struct.unpack(">IIBB", chunks[b"IHDR"][0][:10])
    assert depth == 8 and colour in (2, 6)
    step = 3 if colour == 2 else 4
    raw = zlib.decompress(b"".join(chunks[b"IDAT"]))
    stride, rows, previous = width * step, [], bytearray(width * step)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - step] if i >= step else 0
            up, corner = previous[i], previous[i - step] if i >= step else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                near = min((abs(p - left), 0, left), (abs(p - up), 1, up), (abs(p - corner), 2, corner))[2]
                line[i] = (line[i] + near) & 255
        rows.append(line)
        previous = line
    return width, height, step, rows


def test_plot_colours_and_outlines_by_ties(tied_block, ybblock_tool):
    svg = ElementTree.parse(plot(ybblock_tool, tied_block)).getroot()
    rects = {rect.get("id"): rect for rect in svg.iter(SVG + "rect") if rect.get("id")}
    assert rects["image-103"].get("fill") == "#fde725" and rects["image-201"].get("fill") == "#440154"
    groups = {group.get("id"): group for group in svg.iter(SVG + "g") if group.get("id")}
    weak = groups["weak"].findall(SVG + "rect")
    assert len(weak) == 1 and float(weak[0].get("x")) > float(rects["image-201"].get("x"))  # 201, inside its edge
    # The strips share 10 points: the dashed lines join images of a strip only.
    strips = [path for path in groups["weak"].iter(SVG + "path") if not path.findtext(SVG + "title").startswith("images ")]
    assert strips == []
    assert len(groups["gcps"].findall(SVG + "path")) == 1
    legend = " ".join(text.text or "" for text in svg.iter(SVG + "text"))
    assert "1 image tied to others by fewer than 6 tie points" in legend and "201 (2)" in legend

    # Asking for 11 ties makes 101, 105, 201, 202 and 205 weak, and the strips (10 shared points).
    svg = ElementTree.parse(plot(ybblock_tool, tied_block, "--min-ties", "11")).getroot()
    weak = next(group for group in svg.iter(SVG + "g") if group.get("id") == "weak")
    strips = [path for path in weak.iter(SVG + "path") if path.findtext(SVG + "title").startswith("strips ")]
    assert len(strips) == 1 and len(weak.findall(SVG + "rect")) == 5


def test_plot_renders_with_the_colours_in_the_images(tied_block, ybblock_tool):
    renderer = shutil.which("rsvg-convert")
    if renderer is None:
        pytest.skip("rsvg-convert (Debian librsvg2-bin) is not installed")
    svg_path = plot(ybblock_tool, tied_block)
    png = tied_block / "plot.png"
    subprocess.run([renderer, str(svg_path), "-o", str(png)], check=True)
    svg = ElementTree.parse(svg_path).getroot()
    scale = float(svg.get("width")) / float(svg.get("viewBox").split()[2])
    width, height, step, rows = png_pixels(png)
    assert (width, height) == (round(float(svg.get("width"))), round(float(svg.get("height"))))

    def middle(image):  # above the centre, where a weak link's dashed line runs
        rect = next(r for r in svg.iter(SVG + "rect") if r.get("id") == f"image-{image}")
        x = (float(rect.get("x")) + float(rect.get("width")) / 2) * scale
        y = (float(rect.get("y")) + float(rect.get("height")) / 3) * scale
        return tuple(rows[int(y)][int(x) * step:int(x) * step + 3])

    assert middle(103) == MOST
    assert middle(201) == FEWEST


def test_plot_colours_by_gcps(tied_block, ybblock_tool):
    svg = ElementTree.parse(plot(ybblock_tool, tied_block, "--color", "gcps")).getroot()
    fills = {rect.get("id"): rect.get("fill") for rect in svg.iter(SVG + "rect") if rect.get("id")}
    assert fills["image-104"] == "#fde725" and fills["image-101"] == "#d9d9d9"


def test_plot_of_a_damaged_tie_point_file_fails_with_its_code(demo, ybblock_tool):
    path = demo / "DemoBlock" / "Demo.scp"
    path.write_bytes(path.read_bytes()[:-30])  # the last group cut short
    run = subprocess.run([ybblock_tool, "plot", BLOCK, "-o", str(demo / "plot.svg")], capture_output=True, text=True)
    assert run.returncode == 1 and "4000032 yb::kInvalidContent" in run.stderr
    assert not (demo / "plot.svg").exists()


def test_report_html_writes_the_page_and_says_what_it_lacks(demo):
    page = demo / "report.html"
    summary = ybblockio.report_html(ybblockio.Block(BLOCK), str(page), min_ties=3)
    assert summary["images"] == 10 and summary["links"] > 0 and summary["problem"] == ""
    text = page.read_text(encoding="utf-8")
    assert text.startswith("<!DOCTYPE html>") and summary["bytes"] == len(text.encode())
    assert '"min_ties":3' in text
    scp = demo / "DemoBlock" / "Demo.scp"
    scp.write_bytes(scp.read_bytes()[:-30])
    assert ybblockio.report_html(BLOCK, str(page))["problem"].startswith("the tie point file cannot be read: 4000032")
    with pytest.raises(ybblockio.Error):
        ybblockio.report_html(r"D:\DemoBlock\None.dms", str(page))
