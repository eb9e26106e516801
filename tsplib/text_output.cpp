#include "tsplib/text_output.h"

namespace ringmarch {

std::string nameLineText(std::string_view name) {
  std::string text(name);
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = '?';
  }
  return text;
}

bool finishOutput(std::FILE* stream) {
  const bool flushed = std::fflush(stream) == 0;
  const bool clean = std::ferror(stream) == 0;
  const bool closed = std::fclose(stream) == 0;
  return flushed && clean && closed;
}

}  // namespace ringmarch
