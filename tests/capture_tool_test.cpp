// formix-tool capture with a stand-in for chromium: what the page copy holds, how the facts are
// cut out of the printed DOM, and the error contract. The real chromium runs it in the bridge's
// end-to-end test.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

#include <nlohmann/json.hpp>

#include "tests/test_support.h"

namespace formix::testing {
namespace {

using nlohmann::json;

// A chromium that keeps a copy of the page it was given and prints `dom`.
struct FakeChromium {
  ScratchFolder folder;
  explicit FakeChromium(const std::string& dom) {
    writeFile(folder / "dom", dom);
    writeFile(folder / "chromium",
              "#!/bin/sh\nfor a; do last=$a; done\ncp \"${last#file://}\" '" + (folder / "copy.html").string() +
                  "'\ncat '" + (folder / "dom").string() + "'\n");
    ::chmod((folder / "chromium").c_str(), 0755);
    ::setenv("FORMIX_CHROMIUM", (folder / "chromium").c_str(), 1);
  }
  ~FakeChromium() { ::unsetenv("FORMIX_CHROMIUM"); }
  std::string copy() { return readFile(folder / "copy.html"); }
};

const std::string kFrame =
    R"({"path":[],"origin":"null","children":[],"controls":[{"control":0,"tag":"input","type":"text","name":"sei",)"
    R"("rowHeader":"お名前","visible":true,"enabled":true,"editable":true,"form":0}],"took":3})";

TEST(CaptureTool, TheCollectorRunsInACopyOfThePageAndItsAnswerBecomesTheFacts) {
  ScratchFolder pages;
  writeFile(pages / "form.html",
            "<html><head><meta http-equiv=\"Content-Security-Policy\" content=\"script-src 'self'\"></head>"
            "<body><form>お名前 <input name=sei></form></body></html>");
  // The page itself may print the markers; the collector's answer comes last.
  FakeChromium chromium("<html><body>FORMIX-FACTS-BEGIN{}FORMIX-FACTS-END<script>FORMIX-FACTS-BEGIN" + kFrame +
                        "FORMIX-FACTS-END</script></body></html>");
  const ToolRun run = runTool("capture " + (pages / "form.html").string());
  ASSERT_EQ(run.status, 0) << run.err;
  const json facts = json::parse(run.out);
  EXPECT_EQ(facts["type"], "facts");
  EXPECT_EQ(facts["origin"], "null");
  ASSERT_EQ(facts["frames"].size(), 1u);
  EXPECT_EQ(facts["frames"][0]["frame"], 0);
  EXPECT_EQ(facts["frames"][0]["visible"], true);
  EXPECT_EQ(facts["frames"][0]["controls"][0]["rowHeader"], "お名前");
  EXPECT_EQ(facts["frames"][0]["controls"][0]["maxLength"], -1);  // every fact written out

  const std::string copy = chromium.copy();
  EXPECT_NE(copy.find("function formixFacts(readId)"), std::string::npos);
  EXPECT_NE(copy.find("<base href=\"file://" + pages.path().string() + "/\">"), std::string::npos);
  EXPECT_EQ(copy.find("http-equiv=\"Content-Security-Policy\""), std::string::npos) << "the page's policy is off";
  EXPECT_LT(copy.find("お名前 <input name=sei>"), copy.find("function formixFacts")) << "the collector comes last";
}

TEST(CaptureTool, ErrorsAreOneLineExitTwoAndNoOutput) {
  ScratchFolder pages;
  writeFile(pages / "form.html", "<form><input name=a></form>");
  const std::string page = (pages / "form.html").string();
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"capture", "<p>no facts</p>"},
      {"capture " + (pages / "missing.html").string(), ""},
      {"capture " + pages.path().string(), ""},
      {"capture " + page, "<p>no facts</p>"},
      {"capture " + page, "FORMIX-FACTS-BEGIN{not json FORMIX-FACTS-END"},
      {"capture " + page, "FORMIX-FACTS-BEGIN{\"error\":\"boom\"}FORMIX-FACTS-END"},
      {"capture " + page, R"(FORMIX-FACTS-BEGIN{"origin":"null","controls":[{"control":0}]}FORMIX-FACTS-END)"},
  };
  for (const auto& [args, dom] : cases) {
    FakeChromium chromium(dom);
    const ToolRun run = runTool(args);
    EXPECT_EQ(run.status, 2) << args << " / " << dom;
    EXPECT_EQ(run.out, "") << args;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << args << ": " << run.err;
  }
  ::setenv("FORMIX_CHROMIUM", "/nonexistent/chromium", 1);
  const ToolRun missing = runTool("capture " + page);
  ::unsetenv("FORMIX_CHROMIUM");
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("cannot run /nonexistent/chromium"), std::string::npos) << missing.err;
}

}  // namespace
}  // namespace formix::testing
