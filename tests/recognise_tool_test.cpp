// formix-tool recognise: a page's saved facts filled from the sample settings, its summary, and
// its error contract.
#include <gtest/gtest.h>

#include <algorithm>

#include <nlohmann/json.hpp>

#include "tests/test_support.h"

namespace formix::testing {
namespace {

const std::string kSettings = std::string("--settings ") + FORMIX_SOURCE_DIR "/examples/sample.ini";

// Two boxes of a name and a password, as the extension answers a read.
const std::string kFacts =
    R"({"type":"facts","id":1,"read":7,"origin":"https://shop.example","frames":[{"frame":0,)"
    R"("origin":"https://shop.example","visible":true,"controls":[)"
    R"({"control":0,"tag":"input","type":"text","name":"sei","rowHeader":"お名前","before":"姓","visible":true,"enabled":true,"editable":true,"form":0},)"
    R"({"control":1,"tag":"input","type":"text","name":"mei","rowHeader":"お名前","before":"名","visible":true,"enabled":true,"editable":true,"form":0},)"
    R"({"control":2,"tag":"input","type":"password","name":"pw","rowHeader":"パスワード","visible":true,"enabled":true,"editable":true,"form":0}]}]})";

TEST(RecogniseTool, PrintsTheFillRequestOrASummaryOfEveryControl) {
  const ToolRun run = runTool("recognise " + kSettings, kFacts);
  ASSERT_EQ(run.status, 0) << run.err;
  const nlohmann::json request = nlohmann::json::parse(run.out);
  ASSERT_EQ(request["fills"].size(), 2u) << run.out;
  EXPECT_EQ(request["fills"][0]["control"], 0);
  EXPECT_EQ(request["fills"][0]["value"], "山田");
  EXPECT_EQ(request["fills"][1]["value"], "太郎");

  const ToolRun summary = runTool("recognise --summary " + kSettings, kFacts);
  ASSERT_EQ(summary.status, 0) << summary.err;
  EXPECT_NE(summary.out.find("Read 3 controls; 2 receive a value."), std::string::npos) << summary.out;
  const size_t row = summary.out.find("password pw");
  ASSERT_NE(row, std::string::npos) << summary.out;
  EXPECT_NE(summary.out.find("(password)", row), std::string::npos) << summary.out;

  // A frame a flood cost, and frames beyond the bound, are named in the summary.
  std::string flooded = kFacts;
  flooded.replace(flooded.rfind("]}]}"), 4,
                  R"(]},{"frame":9,"origin":"https://ads.example","visible":true,"controls":[],"dropped":"5001 controls, more than 5000"}],"framesDropped":3})");
  const ToolRun dropped = runTool("recognise --summary " + kSettings, flooded);
  ASSERT_EQ(dropped.status, 0) << dropped.err;
  EXPECT_NE(dropped.out.find("Frame 9 left out: 5001 controls, more than 5000."), std::string::npos) << dropped.out;
  EXPECT_NE(dropped.out.find("3 more frames left out: too many frames."), std::string::npos) << dropped.out;
  EXPECT_NE(dropped.out.find("2 receive a value."), std::string::npos) << dropped.out;
}

TEST(RecogniseTool, ErrorsAreOneLineExitTwoAndNoOutput) {
  for (const auto& [args, input] : std::vector<std::pair<std::string, std::string>>{
           {"recognise " + kSettings, "not json"},
           {"recognise " + kSettings, R"({"origin":"x"})"},
           {"recognise " + kSettings, "\xff"},
           {"recognise", kFacts}}) {
    const ToolRun run = runTool(args, input);
    EXPECT_TRUE(run.failedCleanly()) << args << ": " << run.status << " " << run.err;
  }
}

}  // namespace
}  // namespace formix::testing
