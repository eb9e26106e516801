// Draws a tour as SVG: scales the instance's drawing coordinates onto a page, draws the closed
// tour with arrows of travel, rings the first city and places city numbers where they collide
// with nothing. Reads the instance and the tour; the answer is the whole document or nothing.
#include "cli/svg_drawing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "cli/json_output.h"

namespace ringmarch::cli {
namespace {

constexpr double kDrawingSize = 760;  // the longer side of the cities' box, in pixels
constexpr double kMargin = 24;
constexpr double kTitleHeight = 28;
constexpr double kLegendHeight = 22;
// City labels: font size 10; dots have radius 3.5, the start city's ring 6 (stroke 2).
constexpr double kLabelFontSize = 10;
constexpr double kLabelGap = 2;  // free pixels kept around each label
constexpr double kDotClearance = 4.5;
constexpr double kStartClearance = 7.5;
// Arrows of the direction of travel, on tour edges long enough to carry one.
constexpr double kArrowLength = 9;
constexpr double kArrowHalfWidth = 3.5;
constexpr double kShortestArrowEdge = 14;

struct Box {
  double minX, minY, maxX, maxY;
};

// The cities' own box.
std::optional<Box> cityBox(const Instance& instance) {
  if (!instance.hasPicture() || instance.size() < 1) return std::nullopt;
  Box box{instance.pictureX(0), instance.pictureY(0), instance.pictureX(0), instance.pictureY(0)};
  for (int i = 0; i < instance.size(); ++i) {
    const double x = instance.pictureX(i);
    const double y = instance.pictureY(i);
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

struct Rect {
  double left, top, right, bottom;
  bool overlaps(const Rect& other) const {
    return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
  }
};

struct Point2 {
  double x, y;
};

struct Segment {
  Point2 a, b;
};

// Whether the segment has a point inside the box or on its border (Liang-Barsky clipping).
bool segmentTouches(const Segment& segment, const Rect& box) {
  const double dx = segment.b.x - segment.a.x;
  const double dy = segment.b.y - segment.a.y;
  double enter = 0;
  double leave = 1;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {segment.a.x - box.left, box.right - segment.a.x, segment.a.y - box.top,
                       box.bottom - segment.a.y};
  for (int k = 0; k < 4; ++k) {
    if (p[k] == 0) {
      if (q[k] < 0) return false;  // parallel to this side and outside it
      continue;
    }
    const double t = q[k] / p[k];
    if (p[k] < 0) {
      enter = std::max(enter, t);
    } else {
      leave = std::min(leave, t);
    }
    if (enter > leave) return false;
  }
  return true;
}

Rect grown(const Rect& box, double by) {
  return {box.left - by, box.top - by, box.right + by, box.bottom + by};
}

// Places each city's number beside its dot at the first of sixteen spots (eight close, eight
// farther out) that stays inside the drawing area and touches no other label, no dot, no tour
// edge and no arrow on one; a city whose spots are all taken gets no label (its dot keeps a
// tooltip). Text boxes are estimated generously, a full font size per character, so that a row of
// close cities cannot run its numbers together. The answer holds the label's box for each city, or
// nothing.
std::vector<std::optional<Rect>> placeLabels(const std::vector<Point2>& dots,
                                             const std::vector<Segment>& edges,
                                             const std::vector<Rect>& arrows, const Rect& area,
                                             int startCity) {
  std::vector<Rect> dotBoxes;
  for (std::size_t city = 0; city < dots.size(); ++city) {
    const double clearance = static_cast<int>(city) == startCity ? kStartClearance : kDotClearance;
    const Point2 d = dots[city];
    dotBoxes.push_back({d.x - clearance, d.y - clearance, d.x + clearance, d.y + clearance});
  }
  std::vector<std::optional<Rect>> labels(dots.size());
  std::vector<Rect> placed;
  for (std::size_t city = 0; city < dots.size(); ++city) {
    const double w = kLabelFontSize * static_cast<double>(std::to_string(city + 1).size());
    const double h = kLabelFontSize;
    const Point2 d = dots[city];
    for (const double reach : {1.0, 2.5}) {
      const double near = 4 * reach;
      const double above = 3 * reach + h;
      const Point2 spots[] = {
          {d.x + near, d.y - above},          {d.x - near - w, d.y - above},
          {d.x + near, d.y + 3 * reach},      {d.x - near - w, d.y + 3 * reach},
          {d.x + 1.5 * near, d.y - h / 2},    {d.x - 1.5 * near - w, d.y - h / 2},
          {d.x - w / 2, d.y - 5 * reach - h}, {d.x - w / 2, d.y + 5 * reach}};
      for (const Point2& spot : spots) {
        const Rect box{spot.x, spot.y, spot.x + w, spot.y + h};
        if (box.left < area.left || box.right > area.right || box.top < area.top ||
            box.bottom > area.bottom) {
          continue;
        }
        const Rect padded = grown(box, kLabelGap);
        bool free = true;
        for (const Rect& other : placed) free = free && !padded.overlaps(other);
        for (const Rect& dot : dotBoxes) free = free && !padded.overlaps(dot);
        for (const Rect& arrowBox : arrows) free = free && !padded.overlaps(arrowBox);
        for (const Segment& edge : edges) free = free && !segmentTouches(edge, padded);
        if (free) {
          labels[city] = box;
          placed.push_back(box);
          break;
        }
      }
      if (labels[city]) break;
    }
  }
  return labels;
}

// A small filled triangle at the middle of the edge from a to b, pointing towards b.
std::string arrow(Point2 a, Point2 b) {
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  const double length = std::hypot(dx, dy);
  if (!(length >= kShortestArrowEdge)) return {};
  const double ux = dx / length;
  const double uy = dy / length;
  const Point2 middle{(a.x + b.x) / 2, (a.y + b.y) / 2};
  const Point2 tip{middle.x + ux * kArrowLength / 2, middle.y + uy * kArrowLength / 2};
  const Point2 base{middle.x - ux * kArrowLength / 2, middle.y - uy * kArrowLength / 2};
  const Point2 corners[] = {tip,
                            {base.x - uy * kArrowHalfWidth, base.y + ux * kArrowHalfWidth},
                            {base.x + uy * kArrowHalfWidth, base.y - ux * kArrowHalfWidth}};
  std::string path;
  for (const Point2& corner : corners) {
    path += path.empty() ? "M" : " L";
    path += number(corner.x);
    path += ',';
    path += number(corner.y);
  }
  path += " Z";
  return path;
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

bool hasDrawableCoordinates(const Instance& instance) {
  return cityBox(instance).has_value();
}

std::optional<std::string> drawTourSvg(const Instance& instance, std::span<const int> order,
                                       std::string_view title) {
  const std::optional<Box> box = cityBox(instance);
  if (!box) return std::nullopt;
  const int cities = instance.size();
  if (order.size() > static_cast<std::size_t>(cities)) return std::nullopt;
  for (const int city : order) {
    if (city < 0 || city >= cities) return std::nullopt;
  }
  const int tourCount = static_cast<int>(order.size());

  const double spanX = box->maxX - box->minX;
  const double spanY = box->maxY - box->minY;
  const double longer = std::max(spanX, spanY);
  const double scale = longer > 0 ? kDrawingSize / longer : 1.0;
  const double width = std::max(spanX * scale + 2 * kMargin, 360.0);
  const double height = spanY * scale + 2 * kMargin + kTitleHeight + kLegendHeight;
  const auto pageX = [&](double x) { return kMargin + (x - box->minX) * scale; };
  const auto pageY = [&](double y) { return kTitleHeight + kMargin + (box->maxY - y) * scale; };
  std::vector<Point2> dots;
  for (int city = 0; city < cities; ++city) {
    dots.push_back({pageX(instance.pictureX(city)), pageY(instance.pictureY(city))});
  }

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
  if (tourCount > 0) {
    svg +=
        "<polygon fill=\"none\" stroke=\"#1f5fa8\" stroke-width=\"2\" "
        "stroke-linejoin=\"round\" points=\"";
    for (int i = 0; i < tourCount; ++i) {
      const Point2 dot = dots[order[i]];
      if (i > 0) svg += ' ';
      svg += number(dot.x) + "," + number(dot.y);
    }
    svg += "\"/>\n";
    // The direction of travel: one arrow on each edge long enough to show it.
    svg += "<g class=\"direction\" fill=\"#1f5fa8\">\n";
    for (int i = 0; i < tourCount && tourCount > 1; ++i) {
      const std::string d = arrow(dots[order[i]], dots[order[(i + 1) % tourCount]]);
      if (!d.empty()) svg += "<path d=\"" + d + "\"/>\n";
    }
    svg += "</g>\n";
  }
  std::vector<Segment> edges;
  for (int i = 0; i < tourCount && tourCount > 1; ++i) {
    edges.push_back({dots[order[i]], dots[order[(i + 1) % tourCount]]});
  }
  // Labels stay between the title and the legend, clear of the picture's sides.
  const Rect area{2, kTitleHeight, width - 2, height - kLegendHeight};
  const int startCity = tourCount > 0 ? order[0] : -1;  // ringed: -1 when no tour
  // Each arrow sits at its edge's middle; a square around it holds all three corners.
  std::vector<Rect> arrowBoxes;
  constexpr double kArrowReach = std::max(kArrowLength / 2, kArrowHalfWidth);
  for (const Segment& edge : edges) {
    if (!(std::hypot(edge.b.x - edge.a.x, edge.b.y - edge.a.y) >= kShortestArrowEdge)) continue;
    const Point2 middle{(edge.a.x + edge.b.x) / 2, (edge.a.y + edge.b.y) / 2};
    arrowBoxes.push_back({middle.x - kArrowReach, middle.y - kArrowReach, middle.x + kArrowReach,
                          middle.y + kArrowReach});
  }
  const bool numbered = cities <= kMaxLabelledCities;
  const std::vector<std::optional<Rect>> labels =
      numbered ? placeLabels(dots, edges, arrowBoxes, area, startCity)
               : std::vector<std::optional<Rect>>(dots.size());
  int unlabelled = 0;
  svg += "<g fill=\"#202020\" font-family=\"sans-serif\" font-size=\"10\">\n";
  for (int city = 0; city < cities; ++city) {
    const std::string name = std::to_string(city + 1);
    svg += "<circle cx=\"" + number(dots[city].x) + "\" cy=\"" + number(dots[city].y) +
           "\" r=\"3.5\"><title>city " + name + "</title></circle>";
    if (labels[city]) {
      svg += "<text x=\"" + number(labels[city]->left) + "\" y=\"" +
             number(labels[city]->bottom - 1) + "\">" + name + "</text>";
    } else {
      ++unlabelled;
    }
    svg += "\n";
  }
  svg += "</g>\n";
  const double legendY = height - kLegendHeight / 2;
  std::string legend = numbered ? "cities numbered as in the file; arrows: direction of travel"
                                : "more than " + std::to_string(kMaxLabelledCities) +
                                      " cities: numbers in tooltips only; arrows: direction of "
                                      "travel";
  if (tourCount > 0) {
    const Point2 first = dots[order[0]];
    svg += "<circle cx=\"" + number(first.x) + "\" cy=\"" + number(first.y) +
           "\" r=\"6\" fill=\"none\" stroke=\"#c0392b\" stroke-width=\"2\"/>\n";
    svg += "<circle cx=\"" + number(kMargin + 6) + "\" cy=\"" + number(legendY - 4) +
           "\" r=\"6\" fill=\"none\" stroke=\"#c0392b\" stroke-width=\"2\"/>\n";
    legend = "start: city " + std::to_string(order[0] + 1) + "; " + legend;
  }
  if (numbered && unlabelled > 0) {
    legend += "; " + std::to_string(unlabelled) +
              (unlabelled == 1 ? " crowded city" : " crowded cities") + " unlabelled";
  }
  svg += "<text class=\"legend\" x=\"" + number(kMargin + 18) + "\" y=\"" + number(legendY) +
         "\" font-family=\"sans-serif\" font-size=\"11\">" + legend + "</text>\n";
  svg += "</svg>\n";
  return svg;
}

}  // namespace ringmarch::cli
