// The settings file: path rule, the profile-string format, the record and saving.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include "app/settings_file.h"
#include "tests/test_support.h"
#include "text/utf.h"

namespace formix::app {
namespace {

using formix::testing::readFile;
using formix::testing::ScratchFolder;
using formix::testing::writeFile;

class FakeSession : public ports::SessionFacts {
 public:
  explicit FakeSession(std::optional<std::u16string> user) : user_(std::move(user)) {}
  std::optional<std::u16string> userName() const override { return user_; }
  std::u16string programFolder() const override { return u"C:\\Formix"; }
  char16_t pathSeparator() const override { return u'\\'; }

 private:
  std::optional<std::u16string> user_;
};

TEST(SettingsPath, OneFilePerUserBesideTheProgram) {
  EXPECT_EQ(settingsFilePath(u"C:\\Formix", u"taro", u'\\'), u"C:\\Formix\\taro.ini");
  EXPECT_EQ(settingsFilePath(u"C:\\", u"taro", u'\\'), u"C:\\taro.ini");  // a drive root keeps one separator
  EXPECT_EQ(settingsFilePath(u"/opt/formix/", u"hanako", u'/'), u"/opt/formix/hanako.ini");
  EXPECT_EQ(settingsFilePath(u"C:\\Formix", sGetUserName(FakeSession(std::nullopt)), u'\\'), u"C:\\Formix\\.ini");
  EXPECT_EQ(sGetUserName(FakeSession(u"山田")), u"山田");
  EXPECT_EQ(sGetUserName(FakeSession(std::u16string(300, u'x'))).size(), 254u);
}

TEST(IniFormat, MatchesNamesWithoutCaseAndTrimsValues) {
  using namespace std::string_literals;
  const IniFile ini = IniFile::parse(
      "; comment=not a key\r\n"
      "[ position ]\r\n"
      "  LEFT = 1200 \r\n"
      "top=\"  34 \"\r\n"
      "Quote='x\r\n"
      "Nul=12\0" "34\r\n"
      "[Settings]\n"
      "Page=3"s);
  EXPECT_EQ(ini.get("Position", "Left"), "1200");
  EXPECT_EQ(ini.get("POSITION", "Top"), "  34 ");  // matching quotes go, the blanks inside stay
  EXPECT_EQ(ini.get("Position", "Quote"), "'x");
  EXPECT_EQ(ini.get("Position", "Nul"), "12");      // a value ends at NUL
  EXPECT_EQ(ini.get("settings", "page"), "3");      // LF line ends and a last line without one
  EXPECT_EQ(ini.get("Settings", "Left"), std::nullopt);
  EXPECT_EQ(ini.get("Position", "; comment"), std::nullopt);
}

TEST(IniFormat, WritesLikeAProfileStringWriter) {
  IniFile ini = IniFile::parse("");
  ini.set("Position", "Left", "0");
  ini.set("Position", "Top", "15");
  ini.set("Settings", "Page", "1");
  ini.set("Position", "Left", "30");
  EXPECT_EQ(ini.serialize(), "[Position]\r\nLeft=30\r\nTop=15\r\n[Settings]\r\nPage=1\r\n");
}

TEST(IniFormat, KeepsForeignLinesAndPlacesNewKeysAtTheEndOfTheirSection) {
  IniFile ini = IniFile::parse("; mine\n[Position]\nleft = 5 ; old\nExtra=keep\n\n[Other]\nx=1");
  ini.set("Position", "Left", "10");
  ini.set("Position", "Top", "20");
  ini.set("Other", "y", "2");
  ini.set("New", "z", "3");
  EXPECT_EQ(ini.serialize(),
            "; mine\n[Position]\nleft =10\nExtra=keep\nTop=20\r\n\n[Other]\nx=1\r\ny=2\r\n[New]\r\nz=3\r\n");
}

TEST(IniFormat, DuplicateSectionsAreSearchedInOrder) {
  IniFile ini = IniFile::parse("[Strings]\nA001=1\n[strings]\nA001=2\nA002=3\n");
  EXPECT_EQ(ini.get("Strings", "A001"), "1");
  EXPECT_EQ(ini.get("Strings", "A002"), "3");  // a key only the second copy holds is still found
  ini.set("Strings", "A002", "4");
  ini.set("Strings", "A003", "5");
  EXPECT_EQ(ini.serialize(), "[Strings]\nA001=1\nA003=5\r\n[strings]\nA001=2\nA002=4\n");
  const auto sections = ini.sections();
  ASSERT_EQ(sections.size(), 1u);
  ASSERT_EQ(sections[0].entries.size(), 3u);
  EXPECT_EQ(sections[0].entries[1].key, "A003");
}

TEST(SingleValues, WriteIniCreatesTheFileAndSReadIniReadsItWhole) {
  ScratchFolder folder;
  const auto file = folder / "one.ini";
  EXPECT_EQ(sReadIni("Position", "Left", file), u"");  // no file
  const std::u16string digits = sEncodeText(std::u16string(500, u'長'));
  ASSERT_TRUE(WriteIni("Strings", "M001", digits, file));
  ASSERT_TRUE(WriteIni("Position", "Left", u"15", file));
  EXPECT_EQ(sReadIni("strings", "m001", file), digits);  // 2000 digits, far past the old 254
  EXPECT_EQ(sReadIni("Position", "Left", file), u"15");
  EXPECT_EQ(sReadIni("Position", "Top", file), u"");
  EXPECT_FALSE(WriteIni("Position", "Left", u"1\n2", file));
  EXPECT_EQ(sReadIni("Position", "Left", file), u"15");
}

TEST(SettingsRecord, MissingKeysTakeTheirDefaults) {
  const SettingsRecord record = readSettings(IniFile::parse(""));
  EXPECT_EQ(record.number(key::Left), 0);
  EXPECT_EQ(record.number(key::Top), 0);
  EXPECT_EQ(record.pageIndex(), 0);
  for (int k : {key::AddKey, key::Mouse, key::WinKey, key::TaskTray}) EXPECT_EQ(record.number(k), 0);
  EXPECT_EQ(record.waitMs(), 50);
  for (int k = key::FirstProfile; k < key::Count; ++k) EXPECT_EQ(record.text(k), u"") << k;
}

TEST(SettingsRecord, ReadsNumbersAndPages) {
  auto read = [](const std::string& settings) {
    return readSettings(IniFile::parse("[Settings]\r\n" + settings + "\r\n"));
  };
  EXPECT_EQ(read("Page=14").pageIndex(), 13);
  EXPECT_EQ(read("Page=1").pageIndex(), 0);
  EXPECT_EQ(read("Page=abc").pageIndex(), 0);
  EXPECT_EQ(read("Page=3x").pageIndex(), 0);     // the whole text must be a number
  EXPECT_EQ(read("Page=2.5").pageIndex(), 2);    // 1.5 rounds to even
  EXPECT_EQ(read("Page=0").pageIndex(), -1);     // out of range: the caller decides
  EXPECT_EQ(read("Wait=0").waitMs(), 50);
  EXPECT_EQ(read("Wait=120ms").waitMs(), 120);
  EXPECT_EQ(read("Mouse=7").number(key::Mouse), 7);
}

TEST(SettingsRecord, KnowsAllKeysInWritingOrder) {
  const auto& keys = settingsKeys();
  EXPECT_EQ(keys.size(), 447u);
  EXPECT_EQ(keys[key::profile(0)].name, "A001");
  EXPECT_EQ(keys[key::profile(18)].name, "A019");
  EXPECT_EQ(keys[key::phraseTitle(0)].name, "M001");
  EXPECT_EQ(keys[key::phraseContent(0)].name, "M002");
  EXPECT_EQ(keys[key::phraseContent(209)].name, "M420");
  EXPECT_EQ(findSettingsKey("strings", "m420"), key::phraseContent(209));
  EXPECT_EQ(findSettingsKey("Strings", "M421"), -1);
}

SettingsRecord sampleRecord() {
  SettingsRecord record;
  record.set(key::Left, u"1200");
  record.set(key::Top, u"-15");
  record.set(key::Page, u"3");
  for (int k : {key::AddKey, key::Mouse, key::WinKey, key::TaskTray}) record.set(k, u"1");
  record.set(key::Wait, u"50");
  record.set(key::profile(0), u"山田");
  record.set(key::profile(16), u"東京都");
  record.set(key::phraseTitle(0), u"挨拶");
  record.set(key::phraseContent(0), u"いつもお世話になっております。");
  return record;
}

TEST(SettingsSave, WritesTheCloseOrderInTheOriginalFormat) {
  ScratchFolder folder;
  const auto file = folder / "taro.ini";
  ASSERT_FALSE(saveSettings(file, sampleRecord()));
  const std::string bytes = readFile(file);
  const std::string head =
            "[Position]\r\nLeft=1200\r\nTop=-15\r\n[Settings]\r\nPage=3\r\nAdd_Key=1\r\nMouse=1\r\nWin_Key=1\r\n"
            "Task_Tray=1\r\nWait=50\r\n[Strings]\r\n";
  EXPECT_EQ(bytes.substr(0, head.size()), head);
  EXPECT_NE(bytes.find("\r\nA001=D075CD44\r\nA002=\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("\r\nA019=\r\nM001="), std::string::npos);
  EXPECT_EQ(bytes.substr(bytes.size() - 7), "M420=\r\n");
  // Saving what was read gives the same bytes.
  ASSERT_FALSE(saveSettings(file, loadSettings(file).record));
  EXPECT_EQ(readFile(file), bytes);
}

TEST(SettingsSave, PageIsWrittenOnlyWhenAPageIsSelected) {
  ScratchFolder folder;
  SettingsRecord record = sampleRecord();
  record.values[key::Page].reset();
  ASSERT_FALSE(saveSettings(folder / "a.ini", record));
  EXPECT_EQ(readFile(folder / "a.ini").find("Page="), std::string::npos);
}

TEST(SettingsSave, LongAndUnusualTextsSurviveARestart) {
  ScratchFolder folder;
  SettingsRecord record;
  std::u16string longPhrase;
  while (longPhrase.size() < 4000) longPhrase += u"お問い合わせありがとうございます。担当:山田 ";
  record.set(key::phraseContent(209), longPhrase);
  record.set(key::phraseContent(0), std::u16string(63, u'漢'));
  record.set(key::profile(9), u"ABCビル 101 😀 𠀋");
  ASSERT_FALSE(saveSettings(folder / "u.ini", record));
  const LoadedSettings loaded = loadSettings(folder / "u.ini");
  ASSERT_TRUE(loaded.found);
  EXPECT_EQ(loaded.record.text(key::phraseContent(209)), longPhrase);
  EXPECT_EQ(loaded.record.text(key::phraseContent(0)), std::u16string(63, u'漢'));
  EXPECT_EQ(loaded.record.text(key::profile(9)), u"ABCビル 101 😀 𠀋");
  EXPECT_EQ(loaded.record.text(key::profile(0)), u"");  // a cleared field reads back empty
}

TEST(SettingsSave, TwoUsersKeepSeparateFiles) {
  ScratchFolder folder;
  const auto folderText = text::fromUtf8Lossy(folder.path().string());
  for (const std::u16string user : {u"taro", u"hanako"}) {
    SettingsRecord record;
    record.set(key::profile(1), user);
    ASSERT_FALSE(saveSettings(settingsFilePath(folderText, user, u'/'), record));
  }
  EXPECT_EQ(loadSettings(folder / "taro.ini").record.text(key::profile(1)), u"taro");
  EXPECT_EQ(loadSettings(folder / "hanako.ini").record.text(key::profile(1)), u"hanako");
}

TEST(SettingsSave, RefusesPlainValuesThatCannotStandInAFile) {
  SettingsRecord record;
  std::string error;
  record.set(key::Left, u"12\r\n[Strings]");
  EXPECT_FALSE(closeSequenceWrites(record, &error));
  EXPECT_EQ(error, "Position/Left: a line break or NUL cannot stand in a settings value");
  record.set(key::Left, u"😀");
  EXPECT_FALSE(closeSequenceWrites(record, &error));
}

TEST(SettingsSave, AFailedSaveLeavesTheOldFileWhole) {
  ScratchFolder folder;
  const auto file = folder / "taro.ini";
  ASSERT_FALSE(saveSettings(file, sampleRecord()));
  const std::string before = readFile(file);

  // The disk "fills" after 200 bytes of the new file.
  SettingsRecord big = sampleRecord();
  big.set(key::phraseContent(5), std::u16string(2000, u'長'));
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 200;
  setrlimit(RLIMIT_FSIZE, &small);
  const auto failure = saveSettings(file, big);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);

  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->rfind("cannot write", 0), 0u) << *failure;
  EXPECT_EQ(readFile(file), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);  // no temporary left
}

TEST(SettingsSave, OnlyTheOwnerMayReadTheFile) {
  ScratchFolder folder;
  const auto file = folder / "taro.ini";
  const mode_t umaskWas = umask(022);
  const auto modeOf = [&] {
    struct stat info {};
    stat(file.c_str(), &info);
    return info.st_mode & 07777;
  };
  EXPECT_FALSE(saveSettings(file, sampleRecord()));
  EXPECT_EQ(modeOf(), 0600u);  // a new file, whatever the umask
  chmod(file.c_str(), 0644);
  EXPECT_FALSE(saveSettings(file, sampleRecord()));
  EXPECT_EQ(modeOf(), 0600u);  // a file others could read is narrowed
  chmod(file.c_str(), 0400);
  EXPECT_FALSE(saveSettings(file, sampleRecord()));
  EXPECT_EQ(modeOf(), 0400u);  // a narrower mode stays
  umask(umaskWas);
}

TEST(SettingsLoad, CorruptedFilesLoadWithDefaults) {
  ScratchFolder folder;
  std::string garbage;
  for (int i = 0; i < 5000; ++i) garbage.push_back(static_cast<char>((i * 7919) % 256));
  const std::string valid = "[Strings]\r\nA001=" + text::toUtf8(sEncodeText(u"山田")) + "\r\n";
  const std::string hugeValue = "[Strings]\r\nM002=" + std::string(1 << 20, '5') + "\r\n";
  for (const std::string& content : std::initializer_list<std::string>{garbage, garbage + "\r\n" + valid, valid + "[Settings]\r\nMouse=", valid + "[Strings]\r\nA001=XYZ\r\n",
        hugeValue + valid, std::string("\0\0[Strings]\0A001=\0", 17)}) {
    writeFile(folder / "c.ini", content);
    const LoadedSettings loaded = loadSettings(folder / "c.ini");
    ASSERT_TRUE(loaded.found);
    EXPECT_EQ(loaded.record.number(key::Mouse), 0);
    EXPECT_EQ(loaded.record.waitMs(), 50);
    if (content.find(valid) != std::string::npos) {
      EXPECT_EQ(loaded.record.text(key::profile(0)), u"山田");
    }
  }
  EXPECT_FALSE(loadSettings(folder / "missing.ini").found);
}

}  // namespace
}  // namespace formix::app
