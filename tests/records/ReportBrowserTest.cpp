// The quality report in a real browser: headless Chromium lays the page out, a probe added to a
// copy of it reads what the page shows (its text and the charts' rendered boxes), and the numbers
// shown are those `records yield` gives on the same store. One run of the browser also leaves a
// screenshot of the page.
#include <nlohmann/json.hpp>

#include "CliTesting.h"
#include "RecordTesting.h"
#include "support/Files.h"

namespace halyard::cli {
namespace {

using halyard::testing::ReadText;
using nlohmann::json;
using testing::CtlRun;
using testing::Halyardctl;
namespace fs = std::filesystem;

constexpr const char* kChromium = "/usr/bin/chromium";

// Appended to the page: after layout, the page's visible text and each chart's box and bars.
constexpr const char* kProbe = R"(<pre id="probe"></pre><script>
const charts = [...document.querySelectorAll('svg.chart')].map(svg => {
  const box = svg.getBoundingClientRect();
  const bars = [...svg.querySelectorAll('g[data-series] rect')]
      .filter(r => r.getBoundingClientRect().height > 0).length;
  return {title: svg.getAttribute('aria-label'), width: box.width, height: box.height, bars};
});
const sections = [...document.querySelectorAll('section')].map(
    section => ({id: section.id, top: section.parentElement === document.body}));
const tables = [...document.querySelectorAll('table')].map(
    table => [table.id || table.className, table.closest('section')?.id ?? '']);
document.getElementById('probe').textContent =
    JSON.stringify({text: document.body.innerText, charts, sections, tables});
</script>)";

// What --dump-dom wrote between the probe's tags, with the text's entities undone.
json Probe(const std::string& dom) {
  const std::string open = "<pre id=\"probe\">";
  const size_t from = dom.find(open);
  const size_t to = dom.find("</pre>", from);
  if (from == std::string::npos || to == std::string::npos) return json();
  std::string text = dom.substr(from + open.size(), to - from - open.size());
  for (const auto& [entity, c] : std::vector<std::pair<std::string, std::string>>{
           {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&nbsp;", " "}, {"&amp;", "&"}}) {
    for (size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, at + 1))
      text.replace(at, entity.size(), c);
  }
  return json::parse(text, nullptr, false);
}

// A table row as innerText gives it: the cells separated by tabs.
std::string Row(const json& group, const std::string& key) {
  const auto percent = [](double share) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %%", 100 * share);
    return std::string(text);
  };
  return group.at(key).get<std::string>() + "\t" + std::to_string(group.at("tested").get<int>()) +
         "\t" + std::to_string(group.at("passed").get<int>()) + "\t" +
         std::to_string(group.at("failed").get<int>()) + "\t" +
         std::to_string(group.at("units").get<int>()) + "\t" +
         percent(group.at("first_pass_yield")) + "\t" + percent(group.at("final_yield")) + "\t" +
         std::to_string(group.at("retests").get<int>());
}

TEST(ReportInABrowser, ThePageShowsTheChartsAndTheNumbersOfYield) {
  ASSERT_TRUE(fs::exists(kChromium)) << "scripts/install-deps.sh installs chromium";
  records::testing::Scratch scratch;
  const std::string db = (scratch / "r.db").string();
  {
    auto store = records::testing::Open(db);
    std::string error;
    std::vector<records::Record> written = records::testing::TwoDays();
    for (const char* ppm : {"-10.0", "20", "30.5", "45", "-80"}) {
      written.push_back(records::testing::TrimRecord(
          "trim-auto", std::string(R"({"code":97,"error_ppm":)") + ppm + "}", 100));
    }
    for (const records::Record& record : written)
      ASSERT_TRUE(store->Write(record, error)) << error;
  }
  const fs::path page = scratch / "report.html";
  ASSERT_EQ(Halyardctl({"records", "report", "--store", db, "--html", page.string()}).code,
            kExitOk);
  std::string html = ReadText(page);
  html.insert(html.rfind("</body>"), kProbe);
  std::ofstream(scratch / "probed.html") << html;

  const fs::path shot = scratch / "report.png";
  const std::string command =
      std::string("timeout 120 ") + kChromium +
      " --headless --no-sandbox --disable-gpu --disable-quic --no-first-run"
      " --disable-background-networking --disable-component-update --disable-sync"
      " --user-data-dir='" +
      (scratch / "profile").string() +
      "' --window-size=900,2400"
      " --screenshot='" +
      shot.string() + "' --dump-dom 'file://" + (scratch / "probed.html").string() + "' >'" +
      (scratch / "dom.html").string() + "' 2>'" + (scratch / "chromium.log").string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << ReadText(scratch / "chromium.log");
  const json probe = Probe(ReadText(scratch / "dom.html"));
  ASSERT_TRUE(probe.is_object()) << ReadText(scratch / "dom.html");

  // Every chart laid out at its size, with bars drawn: the days', the hours' (yield and units),
  // the stations', the sockets', the failures' and the trim's.
  ASSERT_EQ(probe.at("charts").size(), 7u) << probe.dump(1);
  for (const json& chart : probe.at("charts")) {
    EXPECT_GE(chart.at("width").get<double>(), 700) << chart;
    EXPECT_GE(chart.at("height").get<double>(), 200) << chart;
    EXPECT_GT(chart.at("bars").get<int>(), 0) << chart;
  }
  // The page parsed as written: each section a part of its own, each table in its section (an
  // unclosed table pulls what follows out of its place).
  for (const json& section : probe.at("sections"))
    EXPECT_TRUE(section.at("top").get<bool>()) << section;
  EXPECT_EQ(probe.at("tables"), json::parse(R"([["total", "summary"], ["day-table", "days"],
      ["hour-table", "hours"], ["station-table", "stations"], ["socket-table", "sockets"],
      ["failure-table", "failures"], ["trim-table", "trim"]])"));
  // Each day's and station's row of the page reads as `records yield` gives it.
  const std::string text = probe.at("text");
  for (const auto& [by, key] : std::vector<std::pair<std::string, std::string>>{
           {"day", "day"}, {"station", "station"}, {"socket", "socket"}}) {
    const CtlRun yield = Halyardctl({"records", "yield", "--store", db, "--by", by});
    ASSERT_FALSE(yield.lines.empty());
    for (const std::string& line : yield.lines) {
      const std::string row = Row(json::parse(line), key);
      EXPECT_NE(text.find(row), std::string::npos) << row << "\n" << text;
    }
  }
  EXPECT_NE(text.find("first-pass yield\t50.0 %"), std::string::npos) << text;
  EXPECT_NE(text.find("Run All failed: SMBus status 5\t2\t50.0 %\t50.0 %"), std::string::npos);
  // The screenshot is a PNG of the window's width.
  const std::string png = ReadText(shot);
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  const auto byte = [&png](size_t i) { return static_cast<unsigned char>(png[i]); };
  EXPECT_EQ((byte(16) << 24) | (byte(17) << 16) | (byte(18) << 8) | byte(19), 900);
}

}  // namespace
}  // namespace halyard::cli
