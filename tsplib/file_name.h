// A file named by a client: where it is opened, and the narrow text that the instance keeps as
// its name and that the files carry in their NAME lines.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace ringmarch {

struct FileName {
  bool present = false;            // an absent name opens nothing (FileOpenFailed)
  std::filesystem::path location;  // opened through the platform's native (wide on Windows) name
  std::string narrow;              // narrow text of the name

  static FileName fromNarrow(const char* name);
};

// Opens the file in text mode for reading or for writing (replacing it). nullptr when the name is
// absent or the file cannot be opened.
std::FILE* openTextFile(const FileName& file, bool forWriting);

}  // namespace ringmarch
