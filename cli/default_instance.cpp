#include "cli/default_instance.h"

namespace ringmarch::cli {

std::string tspNameOf(std::string_view text) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (!line.starts_with("NAME")) continue;
    line.remove_prefix(4);
    const std::size_t colon = line.find_first_not_of(" \t");
    if (colon == std::string_view::npos || line[colon] != ':') continue;
    line.remove_prefix(colon + 1);
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const std::size_t last = line.find_last_not_of(" \t\r");
    return std::string(line.substr(first, last - first + 1));
  }
  return {};
}

}  // namespace ringmarch::cli
