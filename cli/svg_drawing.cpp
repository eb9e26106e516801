#include "cli/svg_drawing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "cli/json_output.h"

namespace ringmarch::cli {
namespace {

constexpr double kDrawingSize = 760;  // the longer side of the cities' box, in pixels
constexpr double kMargin = 24;
constexpr double kTitleHeight = 28;

struct Box {
  double minX, minY, maxX, maxY;
};

// The cities' own box (the instance's stored bounds may be stale after edits).
std::optional<Box> cityBox(const ProblemData& problem) {
  if (problem.hasCoordinates != 1 || problem.count < 1 || problem.count > kMaxCities) {
    return std::nullopt;
  }
  Box box{problem.rows[0].x, problem.rows[0].y, problem.rows[0].x, problem.rows[0].y};
  for (int i = 0; i < problem.count; ++i) {
    const double x = problem.rows[i].x;
    const double y = problem.rows[i].y;
    if (!std::isfinite(x) || !std::isfinite(y)) return std::nullopt;
    box.minX = std::min(box.minX, x);
    box.maxX = std::max(box.maxX, x);
    box.minY = std::min(box.minY, y);
    box.maxY = std::max(box.maxY, y);
  }
  if (!std::isfinite(box.maxX - box.minX) || !std::isfinite(box.maxY - box.minY)) {
    return std::nullopt;
  }
  return box;
}

std::string number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

}  // namespace

std::string xmlEscaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

bool hasDrawableCoordinates(const ProblemData& problem) {
  return cityBox(problem).has_value();
}

std::optional<std::string> drawTourSvg(const ProblemData& problem, const TourRecord& tour,
                                       std::string_view title) {
  const std::optional<Box> box = cityBox(problem);
  if (!box) return std::nullopt;
  if (tour.count < 0 || tour.count > problem.count) return std::nullopt;
  for (int i = 0; i < tour.count; ++i) {
    if (tour.order[i] < 0 || tour.order[i] >= problem.count) return std::nullopt;
  }

  const double spanX = box->maxX - box->minX;
  const double spanY = box->maxY - box->minY;
  const double longer = std::max(spanX, spanY);
  const double scale = longer > 0 ? kDrawingSize / longer : 1.0;
  const double width = spanX * scale + 2 * kMargin;
  const double height = spanY * scale + 2 * kMargin + kTitleHeight;
  const auto pageX = [&](double x) { return kMargin + (x - box->minX) * scale; };
  const auto pageY = [&](double y) { return kTitleHeight + kMargin + (box->maxY - y) * scale; };

  // The title is kept to valid UTF-8 through the JSON escaper's rules, then made XML-safe.
  std::string cleanTitle = jsonString(title);
  cleanTitle = cleanTitle.substr(1, cleanTitle.size() - 2);

  std::string svg;
  svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + number(width) + "\" height=\"" +
         number(height) + "\" viewBox=\"0 0 " + number(width) + " " + number(height) + "\">\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  svg += "<text x=\"" + number(kMargin) + "\" y=\"20\" font-family=\"sans-serif\" " +
         "font-size=\"15\">" + xmlEscaped(cleanTitle) + "</text>\n";
  if (tour.count > 0) {
    svg +=
        "<polygon fill=\"none\" stroke=\"#1f5fa8\" stroke-width=\"2\" "
        "stroke-linejoin=\"round\" points=\"";
    for (int i = 0; i < tour.count; ++i) {
      const CityRow& row = problem.rows[tour.order[i]];
      if (i > 0) svg += ' ';
      svg += number(pageX(row.x)) + "," + number(pageY(row.y));
    }
    svg += "\"/>\n";
  }
  svg += "<g fill=\"#202020\" font-family=\"sans-serif\" font-size=\"10\">\n";
  for (int city = 0; city < problem.count; ++city) {
    const std::string x = number(pageX(problem.rows[city].x));
    const std::string y = number(pageY(problem.rows[city].y));
    svg += "<circle cx=\"" + x + "\" cy=\"" + y + "\" r=\"3.5\"/>";
    svg += "<text x=\"" + number(pageX(problem.rows[city].x) + 5) + "\" y=\"" +
           number(pageY(problem.rows[city].y) - 5) + "\">" + std::to_string(city + 1) + "</text>\n";
  }
  svg += "</g>\n";
  if (tour.count > 0) {
    const CityRow& first = problem.rows[tour.order[0]];
    svg += "<circle cx=\"" + number(pageX(first.x)) + "\" cy=\"" + number(pageY(first.y)) +
           "\" r=\"6\" fill=\"none\" stroke=\"#c0392b\" stroke-width=\"2\"/>\n";
  }
  svg += "</svg>\n";
  return svg;
}

}  // namespace ringmarch::cli
