"""The exceptions of the solver: one RingmarchError subclass per error code.

Each class also derives from the built-in exception that fits, so that ``except ValueError`` or
``except FileNotFoundError`` catches what a Python caller expects: bad numbers and too many
cities are ValueError, a file that cannot be opened is FileNotFoundError, other file failures
are OSError, memory is MemoryError, calls out of order are RuntimeError."""

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
            show it; kept out of the exception's text, which is English only.
        detail: what the module adds about the call, or None.
        line: the 1-based line of the file a reader's refusal concerns, 0 when none.
        reason: the refusal's reason alone, in English (as the command line and the C
            interface give it), "" when the library gave none.
    """

    code: int = 0

    def __init__(
        self,
        result: int,
        message: str,
        text: str,
        detail: Optional[str] = None,
        *,
        line: int = 0,
        reason: str = "",
    ) -> None:
        self.result = result
        self.name = lib.ringmarch_error_name(self.code).decode()
        self.message = message
        self.text = text
        self.detail = detail
        self.line = line
        self.reason = reason
        super().__init__(str(self))
        if isinstance(self, OSError):
            # What OSError's own readers look at; the module's detail of a file call is its path.
            self.filename = detail

    def __str__(self) -> str:
        what = f"{self.message}: {self.detail}" if self.detail else self.message
        return f"{what} [0x{self.result:08X} {self.name}]"


class FileOpenFailedError(RingmarchError, FileNotFoundError):
    code = 1


class FileReadFailedError(RingmarchError, OSError):
    code = 2


class FileWriteFailedError(RingmarchError, OSError):
    code = 3


class FileFormatError(RingmarchError, ValueError):
    code = 4


class OutOfMemoryError(RingmarchError, MemoryError):
    code = 5


class TooManyCitiesError(RingmarchError, ValueError):
    code = 6


class CityIdOutOfRangeError(RingmarchError, ValueError):
    code = 7


class PositionOutOfRangeError(RingmarchError, ValueError):
    code = 8


class DistanceOutOfRangeError(RingmarchError, ValueError):
    code = 9


class SameCityDistanceNotZeroError(RingmarchError, ValueError):
    code = 10


class DistanceNotPositiveError(RingmarchError, ValueError):
    code = 11


class DistanceNotSymmetricError(RingmarchError, ValueError):
    code = 12


class InstanceNotCreatedError(RingmarchError, RuntimeError):
    code = 13


class NotSolvedError(RingmarchError, RuntimeError):
    code = 14


class FileTypeNotSupportedError(RingmarchError, ValueError):
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


# The classes' documentation is the library's English table, the one every front end shows; the
# texts are written there alone.
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
        line=lib.ringmarch_last_error_line(),
        reason=lib.ringmarch_last_error_reason().decode(),
    )
