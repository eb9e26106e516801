// TSPLIB files read into an Instance and written from one.
//
// The tolerant readers take TSPLIB's keywords in any order and case, blanks anywhere, every
// symmetric distance rule TSPLIB defines for coordinates (EUC_2D, CEIL_2D, ATT, GEO, MAN_2D,
// MAN_3D, MAX_2D, MAX_3D, EUC_3D) and explicit matrices in all nine layouts, TSP and ATSP files,
// 1 to kMaxInstanceCities cities. A coordinate file becomes a coordinate Instance (distances
// computed when asked, no n x n matrix), a matrix file a matrix Instance. A refused file is
// answered with a code (FileOpenFailed, FileReadFailed, FileFormatError, TooManyCities), the line
// and the reason in words, and no instance: nothing is ever partly replaced.
//
// The strict readers read a file as the component's ReadTspFile does (its rules, its 127 cities,
// its answers on every file) and add what the component does not say: the line and the reason of
// a refusal.
//
// The tolerant TOUR reader takes tour files as they are published: with or without DIMENSION, any
// number of cities a line, the tour ended by -1, EOF or the end of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <ringmarch/errors.hpp>
#include <ringmarch/instance.hpp>

namespace ringmarch {

// A file named by a client: where it is opened, and the narrow text that the instance keeps as
// its name and that the files carry in their NAME lines.
struct FileName {
  bool present = false;            // an absent name opens nothing (FileOpenFailed)
  std::filesystem::path location;  // opened through the platform's native (wide on Windows) name
  std::string narrow;              // narrow text of the name

  static FileName fromNarrow(const char* name);
};

// The most bytes a TSP file may hold; reading stops one byte beyond.
inline constexpr std::size_t kMaxTspFileBytes = std::size_t{256} << 20;

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

// Reads a TSP or ATSP file of any size up to kMaxInstanceCities cities; the instance's name is
// the file's name as given.
TspRead readTspFileTolerant(const FileName& file);
// The same from an open stream (which stays open; read as far as the file goes); name becomes
// the instance's name.
TspRead readTspStreamTolerant(std::FILE* stream, std::string_view name);
// The same from the file's bytes in memory.
TspRead readTspTextTolerant(std::string_view text, std::string_view name);

// Reads a TSP file's bytes as the component's reader does. On success the instance holds the
// component's distances (its EUC_2D and ATT values), its labels and drawing coordinates;
// report.nameKeyword holds the NAME the strict reader would see. A file the component takes as
// an instance of no cities is refused (FileReadFailed): an Instance has at least one city.
TspRead readTspTextStrict(std::string_view bytes, std::string_view name);
// The same from an open stream (read whole, at most kMaxTspFileBytes; it stays open).
TspRead readTspStreamStrict(std::FILE* stream, std::string_view name);
// The same from a named file; the instance's name is the file's name as given.
TspRead readTspFileStrict(const FileName& file);

// What kind of refusal a tour report holds, so that a caller can tell a file it could not read
// from a readable list of cities that is not a tour of the instance.
enum class TourFault {
  None,
  Unreadable,   // no TOUR_SECTION, a word that is not a city number, an empty or damaged file
  NotTourFile,  // a TSP or ATSP instance (or another TYPE) given where a tour belongs
  Dimension,    // DIMENSION differs from the instance's number of cities
  OutOfRange,   // a city number outside 1 to the instance's number of cities
  Repeated,     // a city listed twice (cities may also be missing)
  Missing,      // the tour ends before every city is listed
};

struct TourReadReport {
  ErrorCode code = ErrorCode::Success;
  TourFault fault = TourFault::None;
  int line = 0;        // 1-based line the refusal is about; 0 when it concerns no single line
  std::string reason;  // the refusal in English; empty on success
  // The cities as listed, 0-based, up to the end of the tour or the refusal; on success every
  // city of the instance once. Out-of-range entries are never stored; a list that repeats a city
  // is cut one entry past the instance's size, so it always shows the repeat.
  std::vector<std::int32_t> tour;
  int dimension = -1;  // DIMENSION as read; -1 when the file gives none

  // "line 5: reason", or the reason alone when no line is named.
  std::string where() const;
};

// Reads a tour of an instance of `cities` cities (1 to kMaxInstanceCities).
TourReadReport readTourFileTolerant(const FileName& file, std::int32_t cities);
// The same from an open stream, which stays open.
TourReadReport readTourStreamTolerant(std::FILE* stream, std::int32_t cities);
// The same from the file's bytes in memory (any bytes; NUL is a byte like any other).
TourReadReport readTourTextTolerant(std::string_view text, std::int32_t cities);

// The layouts the writers produce (the values of the component's file type).
inline constexpr std::int32_t kTspFileEuc2d = 1;
inline constexpr std::int32_t kTspFileFullMatrix = 2;

// A TSP file's text for an instance of any size, with name in the NAME line: EUC_2D with its
// drawing coordinates cut to whole numbers (kTspFileEuc2d), or else EXPLICIT FULL_MATRIX with its
// distances and its drawing coordinates as display data. Errors stay in the stream's error
// indicator.
void writeTspStream(const Instance& instance, std::FILE* stream, std::string_view name,
                    std::int32_t type);
// A TOUR file's text for a tour of an instance of `cities` cities: the order's entries (0-based
// here, 1-based in the file) and the length for the COMMENT line. False when an entry could not
// be written; other errors stay in the stream's error indicator.
bool writeTourText(std::span<const std::int32_t> order, std::int32_t cities, std::FILE* stream,
                   std::string_view name, std::int64_t length);

}  // namespace ringmarch
