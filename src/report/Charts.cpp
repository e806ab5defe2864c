// The SVG charts.
#include "report/Charts.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace halyard::report {

namespace {

constexpr int kLeft = 56;
constexpr int kRight = 16;
constexpr int kTop = 40;
constexpr int kBottom = 36;
constexpr size_t kMostLabels = 12;  // more would overlap at the font's size
constexpr size_t kLongestLabel = 16;

struct Plot {
  double x0, y0, width, height, top;  // top: the value at the plot's top edge
  size_t categories;
  double X(double at) const { return x0 + width * at / static_cast<double>(categories); }
  double Y(double value) const { return y0 + height - height * std::min(value, top) / top; }
};

std::string Attr(double value) {
  return Number(value, 1);
}

double LargestValue(const Chart& chart) {
  double largest = 0;
  for (const auto* list : {&chart.bars, &chart.lines}) {
    for (const Series& series : *list) {
      for (const double value : series.values)
        largest = std::max(largest, value);
    }
  }
  return largest;
}

// A round number at or above `value`: 1, 2 or 5 times a power of ten.
double RoundUp(double value) {
  if (value < 1) return 1;  // counts: no tick between whole numbers
  const double power = std::pow(10.0, std::floor(std::log10(value)));
  for (const double step : {1.0, 2.0, 5.0, 10.0}) {
    if (step * power >= value) return step * power;
  }
  return 10 * power;
}

std::string Text(double x, double y, const std::string& text, const char* anchor, int size = 11) {
  return "<text x=\"" + Attr(x) + "\" y=\"" + Attr(y) + "\" font-size=\"" + std::to_string(size) +
         "\" text-anchor=\"" + anchor + "\" fill=\"#333\">" + Escaped(text) + "</text>";
}

std::string Axes(const Chart& chart, const Plot& plot) {
  std::string svg;
  for (int tick = 0; tick <= 4; ++tick) {
    const double value = plot.top * tick / 4;
    const double y = plot.Y(value);
    svg += "<line x1=\"" + Attr(plot.x0) + "\" y1=\"" + Attr(y) + "\" x2=\"" +
           Attr(plot.x0 + plot.width) + "\" y2=\"" + Attr(y) + "\" stroke=\"#ddd\"/>";
    const int decimals = value == std::floor(value) ? 0 : 1;
    svg += Text(plot.x0 - 4, y + 4, Number(value, decimals) + chart.yUnit, "end");
  }
  // As many labels as fit side by side at the font's size, at most kMostLabels.
  size_t longest = 1;
  for (const std::string& label : chart.labels)
    longest = std::max(longest, std::min(label.size(), kLongestLabel));
  const auto fit = static_cast<size_t>(plot.width / (6.0 * static_cast<double>(longest) + 12));
  const size_t most = std::clamp<size_t>(fit, 1, kMostLabels);
  const size_t step = (plot.categories + most - 1) / most;
  // An empty chart has one category for its axes and no label.
  for (size_t i = 0; i < chart.labels.size(); i += std::max<size_t>(step, 1)) {
    std::string label = chart.labels[i];
    if (label.size() > kLongestLabel) label = label.substr(0, kLongestLabel - 1) + "\u2026";
    const double at = static_cast<double>(i) + (chart.edgeLabels ? 0.0 : 0.5);
    svg += Text(plot.X(at), plot.y0 + plot.height + 14, label, "middle", 10);
  }
  return svg;
}

std::string Bars(const Chart& chart, const Plot& plot) {
  std::string svg;
  const double slot = plot.width / static_cast<double>(plot.categories);
  const double bar = slot * 0.8 / static_cast<double>(chart.bars.size());
  for (size_t s = 0; s < chart.bars.size(); ++s) {
    const Series& series = chart.bars[s];
    svg += "<g fill=\"" + series.colour + "\" data-series=\"" + Escaped(series.name) + "\">";
    for (size_t i = 0; i < series.values.size() && i < plot.categories; ++i) {
      const double x = plot.X(static_cast<double>(i)) + slot * 0.1 + bar * static_cast<double>(s);
      const double y = plot.Y(series.values[i]);
      svg += "<rect x=\"" + Attr(x) + "\" y=\"" + Attr(y) + "\" width=\"" +
             Attr(std::max(bar, 0.5)) + "\" height=\"" + Attr(plot.y0 + plot.height - y) + "\"/>";
    }
    svg += "</g>";
  }
  return svg;
}

std::string Lines(const Chart& chart, const Plot& plot) {
  std::string svg;
  for (const Series& series : chart.lines) {
    std::string points;
    for (size_t i = 0; i < series.values.size() && i < plot.categories; ++i)
      points += Attr(plot.X(i + 0.5)) + "," + Attr(plot.Y(series.values[i])) + " ";
    svg += "<polyline fill=\"none\" stroke=\"" + series.colour +
           "\" stroke-width=\"2\" data-series=\"" + Escaped(series.name) + "\" points=\"" + points +
           "\"/>";
  }
  for (const Marker& marker : chart.markers) {
    const double x = plot.X(marker.at);
    svg += "<line x1=\"" + Attr(x) + "\" y1=\"" + Attr(plot.y0) + "\" x2=\"" + Attr(x) +
           "\" y2=\"" + Attr(plot.y0 + plot.height) + "\" stroke=\"" + marker.colour +
           "\" stroke-width=\"2\" stroke-dasharray=\"5,3\"/>";
    svg += Text(x, plot.y0 - 4, marker.label, "middle", 10);
  }
  return svg;
}

std::string Legend(const Chart& chart, double right) {
  std::string svg;
  double x = right;
  std::vector<const Series*> all;
  for (const auto* list : {&chart.lines, &chart.bars}) {
    for (const Series& series : *list)
      all.push_back(&series);
  }
  for (auto it = all.rbegin(); it != all.rend(); ++it) {
    x -= 12.0 + 6.5 * static_cast<double>((*it)->name.size()) + 18;
    svg += "<rect x=\"" + Attr(x) + "\" y=\"10\" width=\"12\" height=\"12\" fill=\"" +
           (*it)->colour + "\"/>";
    svg += Text(x + 16, 20, (*it)->name, "start");
  }
  return svg;
}

}  // namespace

std::string Number(double value, int decimals) {
  if (std::abs(value) < 0.5 * std::pow(10.0, -decimals)) value = 0;  // no "-0.0"
  char text[64];
  const auto end =
      std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
  return std::string(text, end);
}

std::string Escaped(const std::string& text) {
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
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string ChartSvg(const Chart& chart, int width, int height) {
  const Plot plot{kLeft,
                  kTop,
                  static_cast<double>(width - kLeft - kRight),
                  static_cast<double>(height - kTop - kBottom),
                  chart.yMax > 0 ? chart.yMax : 4 * RoundUp(LargestValue(chart) / 4),
                  std::max<size_t>(chart.labels.size(), 1)};
  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"chart\" width=\"" +
                    std::to_string(width) + "\" height=\"" + std::to_string(height) +
                    "\" viewBox=\"0 0 " + std::to_string(width) + " " + std::to_string(height) +
                    "\" font-family=\"sans-serif\" role=\"img\" aria-label=\"" +
                    Escaped(chart.title) + "\">";
  // Sizes in numbers: the window's SVG renderer takes no percentages.
  svg += "<rect width=\"" + std::to_string(width) + "\" height=\"" + std::to_string(height) +
         "\" fill=\"#fff\"/>";
  svg += Text(kLeft, 20, chart.title, "start", 13);
  svg += Legend(chart, width - kRight);
  svg += Axes(chart, plot) + Bars(chart, plot) + Lines(chart, plot);
  return svg + "</svg>";
}

}  // namespace halyard::report
