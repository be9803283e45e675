// formix-tool fill: the sample page filled from the sample settings, and its error contract.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/test_support.h"

namespace formix::testing {
namespace {

const std::string kSettings = std::string("--settings ") + FORMIX_SOURCE_DIR "/examples/sample.ini";

TEST(FillTool, FillsUtf8HtmlFromStdinOrAFile) {
  const ToolRun run = runTool("fill " + kSettings + " --today 2025-05-15", "<FORM >年齢 <INPUT name=a> 氏名 <INPUT name=n>");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "<FORM >年齢 <INPUT name=a value=\"45\"> 氏名 <INPUT name=n value=\"山田太郎\">");
  const ToolRun page = runTool("fill " + kSettings + " " FORMIX_SOURCE_DIR "/examples/registration.html");
  EXPECT_EQ(page.status, 0) << page.err;
  EXPECT_NE(page.out.find("name=addr2 value=\"ABCビル 101\">"), std::string::npos);
  const ToolRun summary = runTool("fill --summary " + kSettings + " " FORMIX_SOURCE_DIR "/examples/registration.html");
  const size_t row = summary.out.find("input mail_domain ");
  ASSERT_NE(row, std::string::npos) << summary.out;
  const std::string line = summary.out.substr(row, summary.out.find('\n', row) - row);
  EXPECT_NE(line.find(" 113 at sign "), std::string::npos) << line;
  EXPECT_TRUE(line.ends_with(" example.co.jp")) << line;
}

TEST(FillTool, ErrorsAreOneLineExitTwoAndNoOutput) {
  ScratchFolder folder;
  for (const auto& [args, input] : std::vector<std::pair<std::string, std::string>>{
           {"fill " + kSettings, "<FORM >\xff"},
           {"fill --settings " + (folder / "missing.ini").string(), "<FORM >"},
           {"fill " + kSettings + " --today 2025-13-01", "<FORM >"},
           {"fill " + kSettings + " --today", ""},
           {"fill " + kSettings + " " + (folder / "missing.html").string(), ""},
           {"fill " + kSettings + " " + folder.path().string(), ""},
           {"fill", "<FORM >"}}) {
    const ToolRun run = runTool(args, input);
    EXPECT_TRUE(run.failedCleanly()) << args << ": " << run.status << " " << run.err;
  }
}

}  // namespace
}  // namespace formix::testing
