// TSPLIB TSP files for the object's problem: the strict line-oriented reader and the writer of
// the two layouts (kTspFileEuc2d, kTspFileFullMatrix).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>

#include <ringmarch/errors.hpp>
#include <ringmarch/tsplib.hpp>

#include "model/problem_data.h"
#include "tsplib/file_name.h"

namespace ringmarch {

// Replaces the instance from a TSP file. Answers Success, FileOpenFailed, FileReadFailed,
// FileFormatError or TooManyCities; a failed read may leave the instance partly replaced.
ErrorCode readTspFile(ProblemData& problem, const FileName& file);
// The same from an open stream; name becomes the instance's name. The stream stays open.
ErrorCode readTspStream(ProblemData& problem, std::FILE* stream, std::string_view name);
// The same from a file's bytes in memory.
ErrorCode readTspText(ProblemData& problem, std::string_view bytes, std::string_view name);

// Writes the instance as EUC_2D or EXPLICIT FULL_MATRIX. Answers Success, FileOpenFailed,
// FileWriteFailed or FileTypeNotSupported. The instance's name becomes the file's narrow name.
ErrorCode writeTspFile(ProblemData& problem, const FileName& file, std::int32_t type);
// The file's text for a supported type (EUC_2D for kTspFileEuc2d, FULL_MATRIX otherwise) into an
// open stream, with name in the NAME line. Errors stay in the stream's error indicator.
void writeTspStream(const ProblemData& problem, std::FILE* stream, std::string_view name,
                    std::int32_t type);

}  // namespace ringmarch
