// The bridge's messages: framing, what Formix accepts from the extension, and the per-field
// edits a fill becomes.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "bridge/field_edits.h"
#include "bridge/protocol.h"
#include "fill/form_filler.h"
#include "text/utf.h"

namespace formix::testing {
namespace {

using bridge::FieldEdit;
using bridge::FrameReader;
using nlohmann::json;

TEST(BridgeFraming, MessagesArriveWholeHoweverTheBytesAreCut) {
  const std::string stream = bridge::frameMessage("{\"a\":1}") + bridge::frameMessage("") + bridge::frameMessage("[2]");
  FrameReader reader(100);
  std::vector<std::string> got;
  for (char c : stream) {
    reader.feed(std::string_view(&c, 1));
    while (auto m = reader.next()) got.push_back(*m);
  }
  EXPECT_EQ(got, (std::vector<std::string>{"{\"a\":1}", "", "[2]"}));
  EXPECT_EQ(reader.pending(), 0u);
}

TEST(BridgeFraming, ALengthAboveTheLimitBreaksTheStream) {
  FrameReader reader(10);
  reader.feed(bridge::frameMessage("12345678901") + bridge::frameMessage("{}"));
  EXPECT_FALSE(reader.next());
  EXPECT_TRUE(reader.broken());
  reader.feed(bridge::frameMessage("{}"));
  EXPECT_FALSE(reader.next());
}

std::string pageMessage(const json& frames, int frameCount = 0) {
  return json{{"type", "page"}, {"id", 7}, {"read", 99}, {"frameCount", frameCount}, {"frames", frames}}.dump();
}

TEST(BridgeDecoding, ReadsEveryAnswerOfTheExtension) {
  auto hello = bridge::decodeIncoming(R"({"type":"hello","version":1,"browser":"chromium","extension":"1.0.0"})");
  ASSERT_TRUE(hello);
  EXPECT_EQ(std::get<bridge::Hello>(*hello).browser, "chromium");
  auto focused = bridge::decodeIncoming(R"({"type":"focused","id":3,"window":1234567})");
  ASSERT_TRUE(focused);
  EXPECT_EQ(std::get<bridge::Focused>(*focused).window, 1234567);
  EXPECT_EQ(bridge::replyId(*focused), 3u);
  auto applied = bridge::decodeIncoming(R"({"type":"applied","id":4,"applied":3,"skipped":1})");
  ASSERT_TRUE(applied);
  EXPECT_EQ(std::get<bridge::Applied>(*applied).skipped, 1);
  auto error = bridge::decodeIncoming(R"({"type":"error","id":5,"error":"no-tab","message":"x"})");
  ASSERT_TRUE(error);
  EXPECT_EQ(std::get<bridge::ErrorReply>(*error).error, "no-tab");

  // A page: text positions count UTF-16 units, so a character outside the BMP counts twice.
  const auto page = bridge::decodeIncoming(pageMessage(
      json::array({{{"frame", 0}, {"path", json::array()}, {"html", "😀氏名 <input name=\"a\">"}, {"controls", {5}}},
                    {{"frame", 12}, {"path", {1}}, {"html", ""}, {"controls", json::array()}}}),
      2));
  ASSERT_TRUE(page);
  const auto& p = std::get<bridge::Page>(*page);
  EXPECT_EQ(p.read, 99u);
  EXPECT_EQ(p.frameCount, 2);
  ASSERT_NE(p.frameAt({}), nullptr);
  EXPECT_EQ(p.frameAt({})->controls, std::vector<size_t>{5});
  EXPECT_EQ(p.frameAt({1})->frame, 12);
  EXPECT_EQ(p.frameAt({0}), nullptr);
}

TEST(BridgeDecoding, RefusesWhatIsMalformedOrOutOfBounds) {
  const auto frame = [](json html, json controls, json path = json::array()) {
    return json::array({{{"frame", 0}, {"path", path}, {"html", html}, {"controls", controls}}});
  };
  const std::vector<std::pair<std::string, std::string>> bad = {
      {"not JSON", "{\"type\":"},
      {"not an object", "[1,2]"},
      {"unknown type", R"({"type":"launch","id":1})"},
      {"missing id", R"({"type":"focused","window":1})"},
      {"id zero", R"({"type":"focused","id":0,"window":1})"},
      {"negative window", R"({"type":"focused","id":1,"window":-1})"},
      {"string count", R"({"type":"applied","id":1,"applied":"3","skipped":0})"},
      {"control outside the text", pageMessage(frame("<input a>", {9}))},
      {"control not at a tag", pageMessage(frame("x<input a>", {0}))},
      {"controls out of order", pageMessage(frame("<input a><input b>", {9, 0}))},
      {"control twice", pageMessage(frame("<input a>", {0, 0}))},
      {"same frame twice", pageMessage(json::array({frame("", json::array())[0], frame("", json::array())[0]}))},
      {"negative path", pageMessage(frame("", json::array(), {-1}))},
      {"frame count too large", pageMessage(json::array(), 40000)},
      {"deep nesting", std::string(50, '[') + std::string(50, ']')},
      {"invalid UTF-8", std::string("{\"type\":\"hello\",\"version\":1,\"browser\":\"\xff\",\"extension\":\"1\"}")},
  };
  for (const auto& [what, message] : bad) {
    std::string why;
    EXPECT_FALSE(bridge::decodeIncoming(message, &why)) << what;
    EXPECT_FALSE(why.empty()) << what;
  }
}

TEST(BridgeEncoding, AnApplyCarriesOneEntryPerEdit) {
  std::vector<FieldEdit> edits(4);
  edits[0] = {10, FieldEdit::Kind::Value, u"山田 \"太郎\"", false, -1};
  edits[1] = {20, FieldEdit::Kind::Checked, u"", true, -1};
  edits[2] = {30, FieldEdit::Kind::Option, u"", false, 13};
  edits[3] = {40, FieldEdit::Kind::Text, u"東京都\n千代田区", false, -1};
  const json apply = json::parse(bridge::encodeApply(9, 99, 3, edits));
  EXPECT_EQ(apply["type"], "apply");
  EXPECT_EQ(apply["read"], 99);
  EXPECT_EQ(apply["frame"], 3);
  EXPECT_EQ(apply["edits"], json::parse(R"([{"at":10,"value":"山田 \"太郎\""},{"at":20,"checked":true},
                                            {"at":30,"option":13},{"at":40,"text":"東京都\n千代田区"}])"));
}

// ---- Edits ----

fill::ProfileSnapshot profile() {
  fill::ProfileSnapshot p;
  p.txtAUTO = {u"山田", u"太郎", u"やまだ", u"たろう", u"taro", u"example.jp", u"100", u"0001", u"千代田区<1>",
               u"\"A\"&B", u"1980", u"5", u"15", u"03", u"1234", u"5678"};
  p.cboAUTO = {u"東京都", u"会社員"};
  p.maleSelected = true;
  return p;
}

// A frame as the extension serialises it: every control's start is noted.
bridge::PageFrame serialised(std::u16string html) {
  bridge::PageFrame frame;
  frame.html = std::move(html);
  for (size_t p = frame.html.find(u'<'); p != std::u16string::npos; p = frame.html.find(u'<', p + 1)) {
    for (std::u16string_view tag : {u"<input", u"<select", u"<textarea"}) {
      if (frame.html.compare(p, tag.size(), tag) == 0) frame.controls.push_back(p);
    }
  }
  return frame;
}

std::optional<std::vector<FieldEdit>> editsOfFill(const bridge::PageFrame& frame) {
  return bridge::fieldEdits(frame, fill::sFillForm(frame.html, profile(), {2025, 6, 1}));
}

TEST(BridgeEdits, EachKindOfFieldBecomesOneEdit) {
  const auto frame = serialised(
      u"<form action=\"/a\">氏名 <input name=\"n\" value=\"前の値\"> "
      u"住所 <input name=\"addr\"> "
      u"性別 <input type=\"radio\" name=\"s\" value=\"1\">男 <input type=\"radio\" name=\"s\" value=\"2\" checked=\"\">女 "
      u"職業 <select name=\"job\"><option value=\"0\" selected=\"\">選択</option><optgroup label=\"x\">"
      u"<option value=\"1\">学生</option><option value=\"2\">会社員</option></optgroup></select> "
      u"お届け先住所 <textarea name=\"t\">古い</textarea></form>");
  const auto edits = editsOfFill(frame);
  ASSERT_TRUE(edits);
  ASSERT_EQ(edits->size(), 6u);
  const auto& e = *edits;
  EXPECT_EQ(e[0].at, frame.controls[0]);
  EXPECT_EQ(e[0].kind, FieldEdit::Kind::Value);
  EXPECT_EQ(e[0].text, u"山田太郎");  // the filled value, not the one the tag held before
  EXPECT_EQ(e[1].text, u"東京都千代田区<1>\"A\"&B");  // escaping undone
  EXPECT_EQ(e[2].kind, FieldEdit::Kind::Checked);
  EXPECT_TRUE(e[2].checked);
  EXPECT_EQ(e[3].at, frame.controls[3]);
  EXPECT_FALSE(e[3].checked);
  EXPECT_EQ(e[4].kind, FieldEdit::Kind::Option);
  EXPECT_EQ(e[4].option, 2);  // options count across groups, as a list's options do
  EXPECT_EQ(e[5].kind, FieldEdit::Kind::Text);
  EXPECT_EQ(e[5].text, u"東京都千代田区<1>\"A\"&B");
}

TEST(BridgeEdits, OnlyLiveControlsGetEdits) {
  // The first "field" is text inside a comment: the filler changes it, but nothing on the page
  // can take that change.
  auto frame = serialised(u"<form action=\"/a\"><!-- 氏名 <input name=\"old\"> -->氏名 <input name=\"n\"></form>");
  frame.controls.erase(frame.controls.begin());
  const auto edits = editsOfFill(frame);
  ASSERT_TRUE(edits);
  ASSERT_EQ(edits->size(), 1u);
  EXPECT_EQ(edits->front().at, frame.controls.front());
}

TEST(BridgeEdits, NothingIsAppliedUnlessTheFilledTextOnlyReplacesFields) {
  const auto frame = serialised(u"<form action=\"/a\">氏名 <input name=\"n\"> メール <input name=\"m\"></form>");
  const std::u16string filled = fill::sFillForm(frame.html, profile(), {2025, 6, 1});
  ASSERT_NE(filled, frame.html);
  EXPECT_EQ(bridge::fieldEdits(frame, frame.html)->size(), 0u);  // unchanged: no edits, and that is fine
  std::u16string elsewhere = filled;
  elsewhere.replace(elsewhere.find(u"メール"), 3, u"住所　");
  EXPECT_FALSE(bridge::fieldEdits(frame, elsewhere));
  EXPECT_FALSE(bridge::fieldEdits(frame, filled.substr(0, filled.size() - 3)));
  EXPECT_FALSE(bridge::fieldEdits(frame, u"<form>"));
  // A field replaced by something the filler never writes gives no edit for that field.
  std::u16string odd = frame.html;
  odd.replace(odd.find(u"<input name=\"n\">"), 16, u"<input name=\"n\" hidden>");
  const auto oddEdits = bridge::fieldEdits(frame, odd);
  ASSERT_TRUE(oddEdits);
  EXPECT_TRUE(oddEdits->empty());
}

TEST(BridgeEdits, ChangedFieldsAreWhereTheFillerPutThem) {
  const std::u16string before = u"<form action=/a>氏名 <INPUT name=a> ふりがな <input name=b><select name=c></select></form>";
  const auto result = fill::fillForm(before, profile(), {2025, 6, 1});
  const auto changes = fill::changedFields(before, result.html);
  ASSERT_TRUE(changes);
  ASSERT_EQ(changes->size(), 2u);
  EXPECT_EQ((*changes)[0].position, before.find(u"<INPUT"));
  EXPECT_EQ((*changes)[0].newText, u"<INPUT name=a value=\"山田太郎\">");
  EXPECT_EQ((*changes)[1].fieldBase, fill::base::Input);
  EXPECT_EQ((*changes)[1].oldText, u"<input name=b>");
}

}  // namespace
}  // namespace formix::testing
