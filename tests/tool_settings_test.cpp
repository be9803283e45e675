// formix-tool settings dump / write.
#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace formix::testing {
namespace {

std::string sampleFile() { return std::string(FORMIX_SOURCE_DIR) + "/examples/sample.ini"; }

TEST(ToolSettings, DumpsSectionsAndKeysInFileOrderWithTextsUnscrambled) {
  const ToolRun run = runTool("settings dump " + sampleFile());
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out.rfind("{\n  \"Position\": {\n    \"Left\": \"12600\",\n    \"Top\": \"1200\"\n  },\n  \"Settings\": {", 0), 0u);
  EXPECT_NE(run.out.find("\"A001\": \"山田\""), std::string::npos);
  EXPECT_NE(run.out.find("\"A010\": \"ABCビル 101\""), std::string::npos);
  EXPECT_LT(run.out.find("\"M001\""), run.out.find("\"M002\""));
}

TEST(ToolSettings, WriteThenDumpGivesBackTheSameJson) {
  ScratchFolder folder;
  const std::string file = (folder / "taro.ini").string();
  const ToolRun sample = runTool("settings dump " + sampleFile());
  ASSERT_EQ(runTool("settings write " + file, sample.out).status, 0);
  EXPECT_EQ(readFile(file), readFile(sampleFile()));  // byte for byte what the close sequence writes
  EXPECT_EQ(runTool("settings dump " + file).out, sample.out);
}

TEST(ToolSettings, WriteFillsMissingKeysAndKeepsForeignOnes) {
  ScratchFolder folder;
  const std::string file = (folder / "a.ini").string();
  const ToolRun run = runTool("settings write " + file,
                              R"({"Strings": {"M420": "最後😀", "Note": "メモ"}, "Extra": {"k": "v"}})");
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string bytes = readFile(file);
  EXPECT_EQ(bytes.rfind("[Position]\r\nLeft=\r\nTop=\r\n[Settings]\r\nAdd_Key=\r\n", 0), 0u);  // no Page
  EXPECT_NE(bytes.find("\r\nM420=D3E2D2C45F26A827\r\nNote=DDA6DDA5\r\n[Extra]"), std::string::npos);
  EXPECT_EQ(bytes.substr(bytes.size() - 14), "[Extra]\r\nk=v\r\n");
  const ToolRun dump = runTool("settings dump " + file);
  EXPECT_NE(dump.out.find("\"M420\": \"最後😀\""), std::string::npos);
  EXPECT_NE(dump.out.find("\"Note\": \"メモ\""), std::string::npos);
}

TEST(ToolSettings, ErrorsAreOneLineAndLeaveTheFileUntouched) {
  ScratchFolder folder;
  const std::string file = (folder / "keep.ini").string();
  writeFile(file, "[Position]\r\nLeft=1\r\n");
  const struct {
    std::string args, input, message;
  } cases[] = {
      {"settings dump " + (folder / "missing.ini").string(), "", "cannot read settings file"},
      {"settings write " + file, "{not json", "stdin is not a JSON object of sections"},
      {"settings write " + file, "[1, 2]", "stdin is not a JSON object of sections"},
      {"settings write " + file, R"({"Position": {"Left": 5}})", "value of Position/Left is not a string"},
      {"settings write " + file, R"({"Position": {"Left": "1\n[Strings]"}})", "Position/Left: a line break"},
      {"settings write " + file, R"({"Settings": {"Mouse": "😀"}})", "has no form in code page 932"},
      {"settings write " + file, R"({"Other": {"a=b": "1"}})", "name Other/a=b cannot be written"},
      {"settings write " + (folder / "no" / "such" / "dir.ini").string(), "{}", "cannot save"},
      {"settings frobnicate " + file, "", "usage: formix-tool settings"},
      {"frobnicate", "", "unknown command 'frobnicate'"},
  };
  for (const auto& c : cases) {
    const ToolRun run = runTool(c.args, c.input);
    EXPECT_EQ(run.status, 2) << c.args;
    EXPECT_EQ(run.out, "") << c.args;
    EXPECT_EQ(run.err.rfind("formix-tool: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  }
  EXPECT_EQ(readFile(file), "[Position]\r\nLeft=1\r\n");
}

}  // namespace
}  // namespace formix::testing
