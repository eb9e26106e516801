// The tolerant TSP file reader of the command line, the C interface and the C++ API: TSPLIB's
// keywords in any order and case, blanks anywhere, every symmetric distance rule TSPLIB defines
// for coordinates (EUC_2D, CEIL_2D, ATT, GEO, MAN_2D, MAN_3D, MAX_2D, MAX_3D, EUC_3D) and
// explicit matrices in all nine layouts, TSP and ATSP files, 1 to kMaxInstanceCities cities. A
// coordinate file becomes a coordinate Instance (distances computed when asked, no n x n
// matrix), a matrix file a matrix Instance. A refused file is answered with a code
// (FileOpenFailed, FileReadFailed, FileFormatError, TooManyCities), the line and the reason in
// words, and no instance: nothing is ever partly replaced.
#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "instance/instance.h"
#include "model/error_code.h"
#include "model/problem_data.h"
#include "tsplib/file_name.h"

namespace ringmarch {

// The most cities of an asymmetric instance the exact search takes: its symmetric form has twice
// as many.
inline constexpr int kMaxAsymmetricCities = kMaxCities / 2;

// The most bytes a TSP file may hold; reading stops one byte beyond.
inline constexpr std::size_t kMaxTspFileBytes = std::size_t{256} << 20;
// The most entries an explicit matrix may list: what kMaxTspFileBytes hold at two bytes (a digit
// and a blank) an entry. A larger matrix is refused from its DIMENSION, before any is stored.
inline constexpr std::size_t kMaxMatrixEntries = kMaxTspFileBytes / 2;

struct TspReadReport {
  ErrorCode code = ErrorCode::Success;
  int line = 0;        // 1-based line the refusal is about; 0 when it concerns no single line
  std::string reason;  // the refusal in English; empty on success
  // What the caller should know of an instance that was read (an asymmetric matrix of more
  // cities than an exact asymmetric solve takes).
  std::vector<std::string> notes;
  std::string nameKeyword;       // NAME as written, blanks around it dropped; empty when none
  std::string type;              // TYPE as read, upper case ("TSP" when the file gives none)
  std::string edgeWeightType;    // EDGE_WEIGHT_TYPE, upper case
  int edgeWeightTypeLine = 0;    // the line of EDGE_WEIGHT_TYPE
  std::string edgeWeightFormat;  // EDGE_WEIGHT_FORMAT, upper case, empty when none
  int edgeWeightFormatLine = 0;  // its line; 0 when none
  int dimensionLine = 0;         // the line of DIMENSION
  bool asymmetric = false;       // some distance differs from its reverse
  // GEO without display data: pictures put the longitude across and the latitude up.
  bool geographic = false;

  // "line 5: reason", or the reason alone when no line is named.
  std::string where() const;
};

// A file read into an instance: instance is set exactly when report.code is Success.
struct TspRead {
  std::optional<Instance> instance;
  TspReadReport report;
};

// The refusals of an input every front end words alike: more than kMaxTspFileBytes, a file that
// cannot be opened or read (with the system's words for the error number).
std::string inputTooLargeReason();
std::string cannotBeOpenedReason(int error);
std::string cannotBeReadReason(int error);

// Reads a TSP or ATSP file of any size up to kMaxInstanceCities cities; the instance's name is
// the file's name as given.
TspRead readTspFileTolerant(const FileName& file);
// The same from an open stream (which stays open; read as far as the file goes); name becomes
// the instance's name.
TspRead readTspStreamTolerant(std::FILE* stream, std::string_view name);
// The same from the file's bytes in memory.
TspRead readTspTextTolerant(std::string_view text, std::string_view name);

// The object's tolerant read: the same rules within the object's limits (kMaxCities cities, an
// ATSP at most kMaxAsymmetricCities, refused from DIMENSION as TooManyCities). On success the
// problem is replaced whole, as the object's own readers fill it (start city, neighbour order,
// labels, picture coordinates); on failure it is untouched.
TspReadReport readTspFileTolerant(ProblemData& problem, const FileName& file);
TspReadReport readTspStreamTolerant(ProblemData& problem, std::FILE* stream, std::string_view name);

}  // namespace ringmarch
