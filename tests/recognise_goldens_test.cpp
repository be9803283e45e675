// The recogniser's decisions on the project's own pages, kept as goldens: each captured page's facts
// (tests/recognise/pages/NAME.facts.json) must still give the summary stored beside it. A change
// shows as the lines that differ; tests/recognise/update-goldens.sh writes the new summaries.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/test_support.h"

namespace formix::testing {
namespace {

const std::filesystem::path kPages = std::filesystem::path(FORMIX_SOURCE_DIR) / "tests/recognise/pages";

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The lines that differ, "-" as stored and "+" as now, each with its line number.
std::string differences(const std::string& stored, const std::string& now) {
  const std::vector<std::string> a = linesOf(stored), b = linesOf(now);
  std::ostringstream out;
  for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
    const std::string* was = i < a.size() ? &a[i] : nullptr;
    const std::string* is = i < b.size() ? &b[i] : nullptr;
    if (was && is && *was == *is) continue;
    if (was) out << "line " << i + 1 << " - " << *was << "\n";
    if (is) out << "line " << i + 1 << " + " << *is << "\n";
  }
  return out.str();
}

TEST(RecogniserGoldens, EveryCapturedPageStillGivesItsSummary) {
  int pages = 0;
  for (const auto& entry : std::filesystem::directory_iterator(kPages)) {
    const std::string file = entry.path().filename().string();
    const std::string suffix = ".facts.json";
    if (file.size() <= suffix.size() || file.compare(file.size() - suffix.size(), suffix.size(), suffix) != 0) continue;
    const std::string name = file.substr(0, file.size() - suffix.size());
    ++pages;
    const ToolRun run = runTool("recognise --settings " FORMIX_SOURCE_DIR "/examples/sample.ini --today 2026-06-01 --summary '" +
                                entry.path().string() + "'");
    ASSERT_EQ(run.status, 0) << name << ": " << run.err;
    const std::string stored = readFile(kPages / (name + ".summary"));
    EXPECT_EQ(stored, run.out) << name << " decides otherwise now:\n" << differences(stored, run.out);
  }
  EXPECT_GE(pages, 8);
}

}  // namespace
}  // namespace formix::testing
