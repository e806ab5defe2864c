// Charts as SVG text: grouped bars, lines over the same categories, and vertical markers. Plain
// presentation attributes and a generic font, so a browser, a printer and the window's SVG
// renderer draw them alike without fetching anything.
#pragma once

#include <string>
#include <vector>

namespace halyard::report {

struct Series {
  std::string name;  // in the legend
  std::string colour;
  std::vector<double> values;  // one per category
};

// A vertical line across the plot, at a place on the category axis: 0 is the left edge of the
// first category, 1 its right edge.
struct Marker {
  double at = 0.0;
  std::string label;
  std::string colour;
};

struct Chart {
  std::string title;
  std::vector<std::string> labels;  // the categories, left to right
  std::vector<Series> bars;         // side by side in each category
  std::vector<Series> lines;        // through the categories' middles
  std::vector<Marker> markers;
  double yMax = 0.0;        // the top of the axis; 0: a round number above the largest value
  std::string yUnit;        // after each tick's number ("%")
  bool edgeLabels = false;  // a label at its category's left edge (a histogram's bin edges)
};

std::string ChartSvg(const Chart& chart, int width = 760, int height = 260);

// A number with `decimals` digits after the point, whatever the process's locale (the window's
// is the user's, and SVG and HTML want a point).
std::string Number(double value, int decimals);
// Text made safe inside an XML or HTML element or a quoted attribute.
std::string Escaped(const std::string& text);

}  // namespace halyard::report
