"""Build script: the package's version is the project's, read from the CMakeLists.txt beside
this folder, so that the library, the program and the module never disagree."""
import pathlib
import re

from setuptools import setup


def project_version() -> str:
    cmake_lists = pathlib.Path(__file__).resolve().parent.parent / "CMakeLists.txt"
    match = re.search(r"project\(Ringmarch VERSION ([0-9.]+)", cmake_lists.read_text())
    if match is None:
        raise RuntimeError(f"no project version in {cmake_lists}")
    return match.group(1)


setup(version=project_version())
