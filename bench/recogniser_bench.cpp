// Recognising a large registration page from its controls' facts: the part of a fill that runs
// in Formix between the browser's read and its write.
#include <benchmark/benchmark.h>

#include <string>

#include "fill/recognise/recogniser.h"
#include "text/utf.h"

namespace {

using namespace formix;

fill::ControlFacts box(std::u16string_view row, std::u16string_view before, std::u16string_view type = u"text") {
  fill::ControlFacts c;
  c.tag = type == u"select" ? u"select" : u"input";
  c.type = type == u"select" ? u"select-one" : std::u16string(type);
  c.rowHeader = row;
  c.before = before;
  c.form = 0;
  return c;
}

fill::ControlFacts list(std::u16string_view row, int from, int to, std::u16string_view after) {
  fill::ControlFacts c = box(row, u"", u"select");
  c.after = after;
  c.options.push_back({u"--", u"", true});
  for (int i = from; i <= to; ++i) c.options.push_back({text::widen(std::to_string(i)), text::widen(std::to_string(i)), false});
  return c;
}

// A page of `copies` registration forms' worth of controls (only the first form is filled).
fill::PageFacts page(int copies) {
  fill::PageFacts p;
  p.origin = u"https://shop.example";
  fill::FrameFacts top;
  top.origin = p.origin;
  for (int k = 0; k < copies; ++k) {
    std::vector<fill::ControlFacts> form = {
        box(u"お名前", u"姓"), box(u"お名前", u"名"), box(u"フリガナ", u"セイ"), box(u"フリガナ", u"メイ"),
        box(u"会社名", u""), box(u"郵便番号", u"〒"), box(u"郵便番号", u"-"), box(u"住所", u"市区町村"),
        box(u"住所", u"番地"), box(u"住所", u"建物名"), box(u"電話番号", u""), box(u"電話番号", u"-"),
        box(u"電話番号", u"-"), box(u"FAX", u""), box(u"メールアドレス", u"", u"email"),
        box(u"メールアドレス（確認）", u"", u"email"), list(u"生年月日", 1930, 2010, u"年"), list(u"生年月日", 1, 12, u"月"),
        list(u"生年月日", 1, 31, u"日"), box(u"パスワード", u"", u"password")};
    fill::ControlFacts pref = box(u"都道府県", u"", u"select");
    for (const auto name : {u"北海道", u"青森県", u"東京都", u"大阪府", u"沖縄県"}) pref.options.push_back({name, name, false});
    form.push_back(pref);
    for (fill::ControlFacts& c : form) {
      c.form = k;
      c.control = static_cast<int>(top.controls.size());
      top.controls.push_back(std::move(c));
    }
  }
  p.frames.push_back(std::move(top));
  return p;
}

void BM_RecogniseRegistrationPage(benchmark::State& state) {
  const fill::PageFacts facts = page(static_cast<int>(state.range(0)));
  const fill::Profile profile = fill::profileFromPanel({u"山田", u"太郎", u"やまだ", u"たろう", u"taro", u"example.jp", u"100", u"0001", u"千代田区千代田1-1",
                                                        u"ABCビル", u"1980", u"5", u"15", u"03", u"1234", u"5678"},
                                                       {u"東京都", u"会社員"}, true);
  for (auto _ : state) benchmark::DoNotOptimize(fill::recognise(facts, profile, {2025, 6, 1}));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(facts.frames[0].controls.size()));
}
BENCHMARK(BM_RecogniseRegistrationPage)->Arg(1)->Arg(20)->Unit(benchmark::kMicrosecond);

}  // namespace
