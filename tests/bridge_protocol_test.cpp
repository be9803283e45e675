// The bridge's messages: framing, what Formix accepts from the extension, and what it sends.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "bridge/protocol.h"
#include "fill/page_facts.h"
#include "text/utf.h"

namespace formix::testing {
namespace {

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

TEST(BridgeDecoding, ReadsEveryAnswerOfTheExtension) {
  auto hello = bridge::decodeIncoming(R"({"type":"hello","version":1,"browser":"chromium","extension":"1.0.0"})");
  ASSERT_TRUE(hello);
  EXPECT_EQ(std::get<bridge::Hello>(*hello).browser, "chromium");
  auto focused = bridge::decodeIncoming(R"({"type":"focused","id":3,"window":1234567})");
  ASSERT_TRUE(focused);
  EXPECT_EQ(std::get<bridge::Focused>(*focused).window, 1234567);
  EXPECT_EQ(bridge::replyId(*focused), 3u);
  auto filled = bridge::decodeIncoming(R"({"type":"filled","id":4,"applied":3,"skipped":1})");
  ASSERT_TRUE(filled);
  EXPECT_EQ(std::get<bridge::Filled>(*filled).skipped, 1);
  auto undone = bridge::decodeIncoming(R"({"type":"undone","id":6,"applied":4,"skipped":2})");
  ASSERT_TRUE(undone);
  EXPECT_EQ(std::get<bridge::Undone>(*undone).applied, 4);
  EXPECT_EQ(std::get<bridge::Undone>(*undone).skipped, 2);
  EXPECT_EQ(bridge::replyId(*undone), 6u);
  auto error = bridge::decodeIncoming(R"({"type":"error","id":5,"error":"no-tab","message":"x"})");
  ASSERT_TRUE(error);
  EXPECT_EQ(std::get<bridge::ErrorReply>(*error).error, "no-tab");
}

TEST(BridgeDecoding, RefusesWhatIsMalformedOrOutOfBounds) {
  const std::vector<std::pair<std::string, std::string>> bad = {
      {"not JSON", "{\"type\":"},
      {"not an object", "[1,2]"},
      {"unknown type", R"({"type":"launch","id":1})"},
      {"missing id", R"({"type":"focused","window":1})"},
      {"id zero", R"({"type":"focused","id":0,"window":1})"},
      {"negative window", R"({"type":"focused","id":1,"window":-1})"},
      {"string count", R"({"type":"filled","id":1,"applied":"3","skipped":0})"},
      {"undone without its counts", R"({"type":"undone","id":1,"applied":2})"},
      {"a negative count undone", R"({"type":"undone","id":1,"applied":-1,"skipped":0})"},
      {"undone without id", R"({"type":"undone","applied":0,"skipped":0})"},
      {"a page as HTML, which is read no more", R"({"type":"page","id":1,"read":1,"frameCount":0,"frames":[]})"},
      {"deep nesting", std::string(50, '[') + std::string(50, ']')},
      {"invalid UTF-8", std::string("{\"type\":\"hello\",\"version\":1,\"browser\":\"\xff\",\"extension\":\"1\"}")},
  };
  for (const auto& [what, message] : bad) {
    std::string why;
    EXPECT_FALSE(bridge::decodeIncoming(message, &why)) << what;
    EXPECT_FALSE(why.empty()) << what;
  }
}

// ---- Facts and fills ----

json factsControl(int number) {
  return {{"control", number}, {"tag", "input"}, {"type", "text"}, {"visible", true}, {"enabled", true}, {"editable", true}};
}

std::string factsMessage(const json& frames, const json& origin = "https://shop.example") {
  return json{{"type", "facts"}, {"id", 8}, {"read", 41}, {"origin", origin}, {"frames", frames}}.dump();
}

TEST(BridgeFacts, AFactsAnswerBecomesThePagesFacts) {
  json name = factsControl(0);
  name.update({{"name", "sei"}, {"id", "sei"}, {"autocomplete", "family-name"}, {"inputMode", "kana"},
               {"maxLength", 10}, {"size", 20}, {"pattern", "[ァ-ヶ]+"}, {"placeholder", "例：山田"}, {"title", "姓"},
               {"ariaLabel", "お名前（姓）"}, {"label", "姓"}, {"before", "姓"}, {"after", "名"}, {"rowHeader", "お名前"},
               {"columnHeader", "項目"}, {"legend", "会員情報"}, {"block", "必須"}, {"below", "全角で入力してください"}, {"value", "😀"}, {"userEdited", true},
               {"focused", true}, {"form", 1}, {"sections", {"会員登録", "ご本人様"}}});
  json pref = factsControl(3);
  pref.update({{"tag", "select"}, {"type", "select-one"}, {"visible", false},
               {"options", {{{"text", "選択"}, {"value", ""}, {"selected", true}}, {{"text", "東京都"}, {"value", "13"}}}}});
  json sex = factsControl(4);
  sex.update({{"type", "radio"}, {"beside", "男性"}, {"value", "1"}, {"checked", true}, {"enabled", false}, {"editable", false}});
  const auto decoded = bridge::decodeIncoming(factsMessage(json::array(
      {{{"frame", 0}, {"origin", "https://shop.example"}, {"visible", true}, {"controls", {name, pref, sex}}},
       {{"frame", 17}, {"origin", "https://ads.example"}, {"visible", false}, {"sharedAutofill", true}, {"controls", json::array()}}})));
  ASSERT_TRUE(decoded);
  const auto& facts = std::get<bridge::Facts>(*decoded);
  EXPECT_EQ(facts.id, 8u);
  EXPECT_EQ(facts.read, 41u);
  const fill::PageFacts& page = facts.page;
  EXPECT_EQ(page.origin, u"https://shop.example");
  ASSERT_EQ(page.frames.size(), 2u);
  EXPECT_EQ(page.frames[1].frame, 17);
  EXPECT_TRUE(page.frames[1].sharedAutofill);
  EXPECT_FALSE(page.frames[1].visible);
  ASSERT_EQ(page.frames[0].controls.size(), 3u);
  const fill::ControlFacts& c = page.frames[0].controls[0];
  EXPECT_EQ(c.autocomplete, u"family-name");
  EXPECT_EQ(c.maxLength, 10);
  EXPECT_EQ(c.ariaLabel, u"お名前（姓）");
  EXPECT_EQ(c.rowHeader, u"お名前");
  EXPECT_EQ(c.columnHeader, u"項目");
  EXPECT_EQ(c.below, u"全角で入力してください");
  EXPECT_EQ(c.value, u"😀");
  EXPECT_TRUE(c.userEdited && c.focused && c.visible);
  EXPECT_EQ(c.form, 1);
  EXPECT_EQ(c.sections, (std::vector<std::u16string>{u"会員登録", u"ご本人様"}));
  const fill::ControlFacts& list = page.frames[0].controls[1];
  EXPECT_EQ(list.control, 3);
  EXPECT_FALSE(list.visible);
  ASSERT_EQ(list.options.size(), 2u);
  EXPECT_EQ(list.options[1].value, u"13");
  EXPECT_FALSE(list.options[1].selected);
  // Left out: no text, not set, in no form.
  EXPECT_EQ(list.name, u"");
  EXPECT_EQ(list.maxLength, -1);
  EXPECT_EQ(list.form, -1);
  const fill::ControlFacts& radio = page.frames[0].controls[2];
  EXPECT_EQ(radio.beside, u"男性");
  EXPECT_TRUE(radio.checked);
  EXPECT_FALSE(radio.enabled || radio.editable);

  // What formix-tool capture writes reads back the same, as a message and as a saved file.
  const std::string again = bridge::encodeFactsAnswer(8, 41, page);
  const auto round = bridge::decodeIncoming(again);
  ASSERT_TRUE(round);
  EXPECT_EQ(bridge::encodeFactsAnswer(8, 41, std::get<bridge::Facts>(*round).page), again);
  const auto saved = bridge::decodePageFacts(again);
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->frames[0].controls[1].options[1].text, u"東京都");
  const auto bare = bridge::decodePageFacts(json{{"origin", "null"}, {"frames", json::array()}}.dump());
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->origin, u"null");
}

TEST(BridgeFacts, RefusesFactsThatAreMalformedOrOutOfBounds) {
  const auto frameWith = [](json controls) {
    return json::array({{{"frame", 0}, {"origin", "https://a.example"}, {"visible", true}, {"controls", controls}}});
  };
  const auto with = [&](const char* key, json value) {
    json c = factsControl(0);
    c[key] = value;
    return factsMessage(frameWith({c}));
  };
  const auto without = [&](const char* key) {
    json c = factsControl(0);
    c.erase(key);
    return factsMessage(frameWith({c}));
  };
  json manyOptions = json::array();
  for (size_t k = 0; k <= bridge::kMaxOptionsPerList; ++k) manyOptions.push_back({{"text", "x"}});
  const std::vector<std::pair<std::string, std::string>> bad = {
      {"no visibility", without("visible")},
      {"no enabled", without("enabled")},
      {"no editable", without("editable")},
      {"no number", without("control")},
      {"visibility as text", with("visible", "true")},
      {"a button", with("tag", "button")},
      {"a text too long", with("label", std::string(201, 'a'))},
      {"a text of 201 UTF-16 units", with("before", std::string("😀") + std::string(199, 'a'))},
      {"a number as text", with("maxLength", "10")},
      {"maxLength below -1", with("maxLength", -2)},
      {"form below -1", with("form", -5)},
      {"options not a list", with("options", "東京都")},
      {"too many options", with("options", manyOptions)},
      {"an option not an object", with("options", {"東京都"})},
      {"sections not a list", with("sections", "ご本人様")},
      {"a heading not text", with("sections", {1})},
      {"too many headings", with("sections", json::array({"a", "b", "c", "d", "e", "f", "g", "h", "i"}))},
      {"controls out of order", factsMessage(frameWith({factsControl(2), factsControl(1)}))},
      {"a control twice", factsMessage(frameWith({factsControl(1), factsControl(1)}))},
      {"same frame twice", factsMessage(json::array({frameWith(json::array())[0], frameWith(json::array())[0]}))},
      {"a frame without visibility",
       factsMessage(json::array({{{"frame", 0}, {"origin", "x"}, {"controls", json::array()}}}))},
      {"a negative frame id",
       factsMessage(json::array({{{"frame", -1}, {"origin", "x"}, {"visible", true}, {"controls", json::array()}}}))},
      {"no origin", json{{"type", "facts"}, {"id", 8}, {"read", 1}, {"frames", json::array()}}.dump()},
      {"no read", json{{"type", "facts"}, {"id", 8}, {"origin", "x"}, {"frames", json::array()}}.dump()},
      {"origin not text", factsMessage(json::array(), 5)},
      {"a negative count filled", R"({"type":"filled","id":2,"applied":-1,"skipped":0})"},
      {"bounds without a width", R"({"type":"focused","id":2,"window":1,"bounds":{"left":0,"top":0,"height":5}})"},
  };
  for (const auto& [what, message] : bad) {
    std::string why;
    EXPECT_FALSE(bridge::decodeIncoming(message, &why)) << what;
    EXPECT_FALSE(why.empty()) << what;
  }
  EXPECT_FALSE(bridge::decodePageFacts("[]"));
  EXPECT_FALSE(bridge::decodePageFacts(R"({"origin":"x","frames":[{"frame":0}]})"));
  EXPECT_TRUE(bridge::decodeIncoming(with("before", std::string("😀") + std::string(198, 'a'))));
}

TEST(BridgeFacts, BoxesTellTheirTextsLengthAndTheirHoneypotMarks) {
  json box = factsControl(0);
  box.update({{"valueLength", 16}, {"ariaHidden", true}, {"tabIndex", -1}});
  json old = factsControl(1);
  old["value"] = "山田";  // a file saved before boxes told only the length
  const auto decoded = bridge::decodePageFacts(
      json{{"origin", "x"}, {"frames", {{{"frame", 0}, {"origin", "x"}, {"visible", true}, {"controls", {box, old}}}}}}.dump());
  ASSERT_TRUE(decoded);
  const fill::ControlFacts& c = decoded->frames[0].controls[0];
  EXPECT_EQ(c.value, u"");
  EXPECT_EQ(c.valueLength, 16);
  EXPECT_TRUE(c.ariaHidden);
  EXPECT_EQ(c.tabIndex, -1);
  EXPECT_EQ(decoded->frames[0].controls[1].valueLength, 2);
  EXPECT_FALSE(decoded->frames[0].controls[1].ariaHidden);
  EXPECT_EQ(decoded->frames[0].controls[1].tabIndex, 0);
  const auto round = bridge::decodePageFacts(bridge::encodeFactsAnswer(1, 1, *decoded));
  ASSERT_TRUE(round);
  EXPECT_EQ(round->frames[0].controls[0].valueLength, 16);
  EXPECT_EQ(round->frames[0].controls[0].tabIndex, -1);
  EXPECT_TRUE(round->frames[0].controls[0].ariaHidden);
  for (const auto& [key, bad] : std::vector<std::pair<const char*, json>>{{"valueLength", -1}, {"tabIndex", -2}, {"tabIndex", "5"}, {"ariaHidden", 1}}) {
    json control = factsControl(0);
    control[key] = bad;
    EXPECT_FALSE(bridge::decodeIncoming(factsMessage(json::array({{{"frame", 0}, {"origin", "x"}, {"visible", true}, {"controls", {control}}}}))))
        << key;
  }
}

// An advertisement's flood of controls or of frames costs what overflows, never the page, and
// the facts say what was left out.
TEST(BridgeFacts, AFloodCostsItsFrameNotThePage) {
  json many = json::array();
  for (size_t k = 0; k <= bridge::kMaxControlsPerFrame; ++k) many.push_back(factsControl(static_cast<int>(k)));
  json frames = json::array({{{"frame", 0}, {"origin", "x"}, {"visible", true}, {"controls", {factsControl(0)}}},
                             {{"frame", 3}, {"origin", "x"}, {"visible", true}, {"controls", many}}});
  auto decoded = bridge::decodeIncoming(factsMessage(frames));
  ASSERT_TRUE(decoded);
  const fill::PageFacts& page = std::get<bridge::Facts>(*decoded).page;
  ASSERT_EQ(page.frames.size(), 2u);
  EXPECT_EQ(page.frames[0].controls.size(), 1u);
  EXPECT_TRUE(page.frames[1].controls.empty());
  EXPECT_EQ(page.frames[1].dropped, u"5001 controls, more than 5000");

  // The extension's own word about a frame it left out, and frames beyond the bound.
  frames = json::array();
  for (size_t k = 0; k <= bridge::kMaxFramesPerPage; ++k) {
    frames.push_back({{"frame", k}, {"origin", "x"}, {"visible", true}, {"controls", json::array()}});
  }
  frames[1]["dropped"] = "5001 controls, more than 5000";
  json message = json::parse(factsMessage(frames));
  message["framesDropped"] = 4;
  decoded = bridge::decodeIncoming(message.dump());
  ASSERT_TRUE(decoded);
  const fill::PageFacts& wide = std::get<bridge::Facts>(*decoded).page;
  EXPECT_EQ(wide.frames.size(), bridge::kMaxFramesPerPage);
  EXPECT_EQ(wide.framesDropped, 5);
  EXPECT_EQ(wide.frames[1].dropped, u"5001 controls, more than 5000");
  const auto round = bridge::decodePageFacts(bridge::encodeFactsAnswer(1, 1, wide));
  ASSERT_TRUE(round);
  EXPECT_EQ(round->framesDropped, 5);
  EXPECT_EQ(round->frames[1].dropped, u"5001 controls, more than 5000");
}

TEST(BridgeFacts, TheFocusedWindowSaysItsTitleAndBounds) {
  const auto focused = bridge::decodeIncoming(
      R"({"type":"focused","id":3,"window":9,"title":"会員登録","bounds":{"left":-8,"top":10,"width":1050,"height":1004}})");
  ASSERT_TRUE(focused);
  const auto& f = std::get<bridge::Focused>(*focused);
  EXPECT_EQ(f.title, u"会員登録");
  ASSERT_TRUE(f.bounds);
  EXPECT_EQ(f.bounds->left, -8);
  EXPECT_EQ(f.bounds->height, 1004);
  const auto plain = bridge::decodeIncoming(R"({"type":"focused","id":3,"window":9})");
  ASSERT_TRUE(plain);
  EXPECT_FALSE(std::get<bridge::Focused>(*plain).bounds);
  EXPECT_FALSE(std::get<bridge::Focused>(*plain).hasFocus) << "an older extension says nothing of its focus";
  EXPECT_FALSE(std::get<bridge::Focused>(*plain).focusLostAt);
}

TEST(BridgeFacts, TheFocusedWindowSaysWhetherItHasTheFocusAndWhenItLostIt) {
  const auto told = bridge::decodeIncoming(
      R"({"type":"focused","id":3,"window":9,"title":"会員登録","hasFocus":false,"focusLostAt":1765270000123})");
  ASSERT_TRUE(told);
  const auto& f = std::get<bridge::Focused>(*told);
  EXPECT_EQ(f.hasFocus, std::optional<bool>(false));
  EXPECT_EQ(f.focusLostAt, std::optional<int64_t>(1765270000123));
  // What cannot be read is left unsaid; the answer still names the browser's window.
  for (const char* text : {R"({"type":"focused","id":3,"window":9,"hasFocus":"yes","focusLostAt":"today"})",
                           R"({"type":"focused","id":3,"window":9,"hasFocus":1,"focusLostAt":-5})",
                           R"({"type":"focused","id":3,"window":9,"hasFocus":null,"focusLostAt":1.5e3})",
                           R"({"type":"focused","id":3,"window":9,"focusLostAt":18446744073709551615})",
                           R"({"type":"focused","id":3,"window":9,"focusLostAt":0})"}) {
    const auto odd = bridge::decodeIncoming(text);
    ASSERT_TRUE(odd) << text;
    EXPECT_EQ(std::get<bridge::Focused>(*odd).window, 9) << text;
    EXPECT_FALSE(std::get<bridge::Focused>(*odd).hasFocus) << text;
    EXPECT_FALSE(std::get<bridge::Focused>(*odd).focusLostAt) << text;
  }
}

TEST(BridgeEncoding, AFillNamesEachControlByFrameAndNumber) {
  std::vector<fill::ControlFill> fills(3);
  fills[0] = {0, 2, fill::ControlFill::Kind::Value, u"山田 \"太郎\"", -1, u"family name", {u"山田"}};
  fills[1] = {0, 5, fill::ControlFill::Kind::Checked, u"", -1, u"gender", {}};
  fills[2] = {31, 0, fill::ControlFill::Kind::Option, u"", 13, u"prefecture", {}};
  const json fill = json::parse(bridge::encodeFill(6, 41, fills));
  EXPECT_EQ(fill["type"], "fill");
  EXPECT_EQ(fill["id"], 6);
  EXPECT_EQ(fill["read"], 41);
  EXPECT_EQ(fill["fills"], json::parse(R"([{"frame":0,"control":2,"value":"山田 \"太郎\"","alternatives":["山田"]},
                                          {"frame":0,"control":5,"checked":true},{"frame":31,"control":0,"option":13}])"));
  EXPECT_EQ(json::parse(bridge::encodeCollect(7, 1234)), json::parse(R"({"type":"collect","id":7,"window":1234})"));
  EXPECT_EQ(json::parse(bridge::encodeUndo(8, 1234)), json::parse(R"({"type":"undo","id":8,"window":1234})"));
}

}  // namespace
}  // namespace formix::testing
