"""The exceptions of the solver: one RingmarchError subclass per error code."""

from __future__ import annotations

from typing import Optional

from ._library import lib


class RingmarchError(Exception):
    """A failed operation of the solver.

    Attributes:
        code: the error code, 1 to 15 (0 for a failure outside the codes, such as a null
            pointer inside the library).
        result: the 32-bit result value, 0x80040300 + code for the codes.
        name: the code's descriptive name, for example ``"TooManyCities"``.
        message: what went wrong, in English.
        text: the solver's own message text (Japanese for the codes), as the other front ends
            show it.
        detail: what the module adds about the call, or None.
    """

    code: int = 0

    def __init__(
        self, result: int, message: str, text: str, detail: Optional[str] = None
    ) -> None:
        self.result = result
        self.name = lib.ringmarch_error_name(self.code).decode()
        self.message = message
        self.text = text
        self.detail = detail
        super().__init__(str(self))

    def __str__(self) -> str:
        what = f"{self.message}: {self.detail}" if self.detail else self.message
        return f"{what} [0x{self.result:08X} {self.name}: {self.text}]"


class FileOpenFailedError(RingmarchError):
    code = 1


class FileReadFailedError(RingmarchError):
    code = 2


class FileWriteFailedError(RingmarchError):
    code = 3


class FileFormatError(RingmarchError):
    code = 4


class OutOfMemoryError(RingmarchError):
    code = 5


class TooManyCitiesError(RingmarchError):
    code = 6


class CityIdOutOfRangeError(RingmarchError):
    code = 7


class PositionOutOfRangeError(RingmarchError):
    code = 8


class DistanceOutOfRangeError(RingmarchError):
    code = 9


class SameCityDistanceNotZeroError(RingmarchError):
    code = 10


class DistanceNotPositiveError(RingmarchError):
    code = 11


class DistanceNotSymmetricError(RingmarchError):
    code = 12


class InstanceNotCreatedError(RingmarchError):
    code = 13


class NotSolvedError(RingmarchError):
    code = 14


class FileTypeNotSupportedError(RingmarchError):
    code = 15


# Index = code.
_CLASSES: tuple[type[RingmarchError], ...] = (
    RingmarchError,
    FileOpenFailedError,
    FileReadFailedError,
    FileWriteFailedError,
    FileFormatError,
    OutOfMemoryError,
    TooManyCitiesError,
    CityIdOutOfRangeError,
    PositionOutOfRangeError,
    DistanceOutOfRangeError,
    SameCityDistanceNotZeroError,
    DistanceNotPositiveError,
    DistanceNotSymmetricError,
    InstanceNotCreatedError,
    NotSolvedError,
    FileTypeNotSupportedError,
)


# The classes' documentation is the library's English table, the one every front end shows.
for _code, _class in enumerate(_CLASSES[1:], start=1):
    _class.__doc__ = f"Code {_code}: {lib.ringmarch_error_gloss(_code).decode()}."
del _code, _class


def error_class(code: int) -> type[RingmarchError]:
    """The exception class of an error code (RingmarchError itself outside 1 to 15)."""
    return _CLASSES[code] if 1 <= code <= 15 else RingmarchError


def last_error(detail: Optional[str] = None) -> RingmarchError:
    """The calling thread's last failure in the library, as an exception to raise."""
    code = lib.ringmarch_last_error_code()
    result = lib.ringmarch_last_error_result()
    return error_class(code)(
        result,
        lib.ringmarch_last_error_gloss().decode(),
        lib.ringmarch_last_error_message().decode(),
        detail,
    )
