"""Builds the ybblockio extension through the project's CMake tree, with the suite's shared libraries
inside the package so that it stands on its own. `pip install --no-build-isolation .` runs it."""

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
    def build_extension(self, ext):
        build = pathlib.Path(self.build_temp).resolve() / "cmake"
        package_parent = pathlib.Path(self.get_ext_fullpath(ext.name)).parent.parent.resolve()
        generator = ["-G", "Ninja"] if shutil.which("ninja") else []
        subprocess.run(["cmake", "-S", str(SOURCE), "-B", str(build), *generator,
                        "-DCMAKE_BUILD_TYPE=Release", "-DYB_BUILD_TESTS=OFF", "-DYB_BUILD_PYTHON=ON",
                        f"-DPython3_EXECUTABLE={sys.executable}", "-DYB_PYTHON_BUNDLE_LIBRARIES=ON",
                        "-DYB_PYTHON_INSTALL_DIR=."], check=True)
        subprocess.run(["cmake", "--build", str(build), "--target", "_ybblockio", "--parallel"], check=True)
        subprocess.run(["cmake", "--install", str(build), "--component", "python",
                        "--prefix", str(package_parent)], check=True)


setup(
    version=project_version(),
    packages=["ybblockio"],
    package_dir={"": "python"},
    package_data={"ybblockio": ["py.typed", "*.pyi"]},
    ext_modules=[CMakeExtension("ybblockio._ybblockio")],
    cmdclass={"build_ext": CMakeBuild},
    zip_safe=False,
)
