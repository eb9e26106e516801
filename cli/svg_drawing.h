// An SVG picture of an instance's cities and a closed tour through them.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "instance/instance.h"

namespace ringmarch::cli {

// The most cities whose numbers are placed beside their dots; a larger picture draws the dots
// with tooltips only (placing each label against all others would take n^2 steps).
inline constexpr int kMaxLabelledCities = 1000;

// True when the instance has drawing coordinates and every city's are finite numbers whose
// spread is finite, so that they can be scaled onto a page.
bool hasDrawableCoordinates(const Instance& instance);

// The picture: cities as dots numbered from 1 (labels placed so that they do not collide; a city
// with no free spot beside its dot keeps only a tooltip), the tour as a closed line with arrows
// in the direction of travel, the tour's first city marked, the title above and a legend below.
// Larger y is drawn higher, as on a map. Empty when the instance has no drawable coordinates or
// the tour names a city outside the instance.
std::optional<std::string> drawTourSvg(const Instance& instance, std::span<const int> tour,
                                       std::string_view title);

// Text with the characters that XML gives a meaning (& < > " ') escaped.
std::string xmlEscaped(std::string_view text);

}  // namespace ringmarch::cli
