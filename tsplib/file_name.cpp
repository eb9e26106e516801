#include "tsplib/file_name.h"

namespace ringmarch {

FileName FileName::fromNarrow(const char* name) {
  FileName file;
  if (name == nullptr) return file;
  file.present = true;
  file.narrow = name;
  file.location = std::filesystem::path(file.narrow);
  return file;
}

std::FILE* openTextFile(const FileName& file, bool forWriting) {
  if (!file.present) return nullptr;
#ifdef _WIN32
  return _wfopen(file.location.c_str(), forWriting ? L"w" : L"r");
#else
  return std::fopen(file.location.c_str(), forWriting ? "w" : "r");
#endif
}

}  // namespace ringmarch
