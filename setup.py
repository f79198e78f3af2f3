# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
"""Builds the ybblockio extension through the project's CMake tree, with the suite's shared libraries
inside the package so that it stands on its own. `pip install --no-build-isolation .` and
`pip wheel --no-build-isolation .` run it."""

import os
import pathlib
import re
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

SOURCE = pathlib.Path(__file__).parent.resolve()


def project_version():
    """The one version of the project: project(VERSION) in CMakeLists.txt."""
    match = re.search(r"^project\(ybBlockFileIO VERSION ([0-9.]+)", (SOURCE / "CMakeLists.txt").read_text(), re.M)
    if not match:
        raise RuntimeError("CMakeLists.txt declares no project version")
    return match.group(1)


class CMakeExtension(Extension):
    def __init__(self, name):
        super().__init__(name, sources=[])


class CMakeBuild(build_ext):
    """Builds the module through CMake and installs its "wheel" component (the package with the shared
    libraries inside it). YB_BUILD_DIR names a tree configured already (a preset's), which is reused;
    otherwise a release tree of its own is configured under the build folder."""

    def build_extension(self, ext):
        package_parent = pathlib.Path(self.get_ext_fullpath(ext.name)).parent.parent.resolve()
        build = os.environ.get("YB_BUILD_DIR")
        if build:
            build = pathlib.Path(build).resolve()
        else:
            build = pathlib.Path(self.build_temp).resolve() / "cmake"
            generator = ["-G", "Ninja"] if shutil.which("ninja") else []
            subprocess.run(["cmake", "-S", str(SOURCE), "-B", str(build), *generator,
                            "-DCMAKE_BUILD_TYPE=Release", "-DYB_BUILD_TESTS=OFF", "-DYB_BUILD_PYTHON=ON",
                            f"-DPython3_EXECUTABLE={sys.executable}"], check=True)
        subprocess.run(["cmake", "--build", str(build), "--target", "_ybblockio", "--parallel"], check=True)
        subprocess.run(["cmake", "--install", str(build), "--component", "wheel",
                        "--prefix", str(package_parent)], check=True)
        # A wheel holds no links: each library goes in once, as the file its link (the name the loader
        # looks for, libX.so.1) points to.
        for link in list((package_parent / "ybblockio").glob("lib*.so.*")):
            if link.is_symlink():
                target = link.resolve()
                link.unlink()
                target.rename(link)

setup(
    version=project_version(),
    packages=["ybblockio"],
    package_dir={"": "python"},
    package_data={"ybblockio": ["py.typed", "*.pyi"]},
    ext_modules=[CMakeExtension("ybblockio._ybblockio")],
    cmdclass={"build_ext": CMakeBuild},
    zip_safe=False,
)
