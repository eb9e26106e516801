// TSPLIB TSP files: the strict line-oriented reader and the writer of the two layouts.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>

#include "instance/instance.h"
#include "model/error_code.h"
#include "model/problem_data.h"
#include "tsplib/file_name.h"

namespace ringmarch {

// The layouts the writer produces (the values of the interface's file type).
inline constexpr std::int32_t kTspFileEuc2d = 1;
inline constexpr std::int32_t kTspFileFullMatrix = 2;

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
// The same text for an instance of any size: its distances, and its drawing coordinates as the
// coordinates (EUC_2D) or the display data (FULL_MATRIX).
void writeTspStream(const Instance& instance, std::FILE* stream, std::string_view name,
                    std::int32_t type);

}  // namespace ringmarch
