"""Build script: the package's version is the project's, read from the CMakeLists.txt beside
this folder, so that the library, the program and the module never disagree.

A wheel carries its own libringmarch.so, so that it installs into any virtual environment
without the C library installed first. The library it carries is the file named by
RINGMARCH_WHEEL_LIBRARY (a library already built, for example build/release/capi/libringmarch.so),
or else one built here through CMake from the source tree beside this folder (offline: the
library needs nothing beyond the compiler). The wheel is then tagged for this platform: the
Python code is version-neutral, the library is not. RINGMARCH_WHEEL_LIBRARY=system leaves the
library out (a version-neutral wheel that uses the library installed on the system)."""
import os
import pathlib
import re
import shutil
import subprocess

from setuptools import Distribution, setup
from setuptools.command.build_py import build_py

try:
    from wheel.bdist_wheel import bdist_wheel
except ImportError:  # no wheel package: only a source install, which needs no tag
    bdist_wheel = None

HERE = pathlib.Path(__file__).resolve().parent
SOURCE_TREE = HERE.parent
LIBRARY = "libringmarch.so"


def project_version() -> str:
    cmake_lists = SOURCE_TREE / "CMakeLists.txt"
    match = re.search(r"project\(Ringmarch VERSION ([0-9.]+)", cmake_lists.read_text())
    if match is None:
        raise RuntimeError(f"no project version in {cmake_lists}")
    return match.group(1)


def built_library() -> pathlib.Path:
    given = os.environ.get("RINGMARCH_WHEEL_LIBRARY")
    if given:
        path = pathlib.Path(given)
        if not path.is_file():
            raise RuntimeError(f"RINGMARCH_WHEEL_LIBRARY names no file: {path}")
        return path
    build = SOURCE_TREE / "build" / "wheel"
    subprocess.run(
        ["cmake", "-S", str(SOURCE_TREE), "-B", str(build), "-G", "Ninja",
         "-DCMAKE_BUILD_TYPE=Release"],
        check=True,
    )
    subprocess.run(
        ["cmake", "--build", str(build), "--target", "ringmarch_shared"], check=True
    )
    return build / "capi" / LIBRARY


def bundles_library() -> bool:
    return os.environ.get("RINGMARCH_WHEEL_LIBRARY") != "system"


class BuildWithLibrary(build_py):
    def run(self) -> None:
        super().run()
        target = pathlib.Path(self.build_lib) / "ringmarch" / LIBRARY
        if not bundles_library():
            # The build folder outlives a build: a copy left by an earlier one must not ship.
            target.unlink(missing_ok=True)
            return
        # The real file, not the symlink chain of the build tree.
        shutil.copyfile(built_library().resolve(), target)
        os.chmod(target, 0o755)


commands = {"build_py": BuildWithLibrary}

if bdist_wheel is not None:

    class PlatformWheel(bdist_wheel):
        def get_tag(self):
            python, abi, platform = super().get_tag()
            if not self.root_is_pure:
                python, abi = "py3", "none"
            return python, abi, platform

    commands["bdist_wheel"] = PlatformWheel



class DistributionWithLibrary(Distribution):
    """Says the package holds compiled code, so that the build puts it into the platform's
    folder and the wheel is not taken for pure Python."""

    def has_ext_modules(self) -> bool:
        return bundles_library()


setup(version=project_version(), cmdclass=commands, distclass=DistributionWithLibrary)
