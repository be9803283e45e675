// Filling a large registration page, against the floor of one text-comparison search over it.
#include <benchmark/benchmark.h>

#include <functional>
#include <string>
#include <vector>

#include "fill/html/form_filler.h"
#include "text/compare.h"
#include "text/utf.h"

namespace {

using namespace formix;

std::u16string number(int n) { return text::widen(std::to_string(n)); }

std::u16string options(int from, int to) {
  std::u16string out;
  for (int i = from; i <= to; ++i) out += u"<OPTION value=" + number(i) + u">" + number(i) + u"</OPTION>";
  return out;
}

struct Group {
  int fields;
  std::u16string html;
};

// One table row per field group, covering every field kind the value rules know.
std::vector<Group> fieldGroups() {
  std::u16string prefectures;
  for (const auto p : {u"北海道", u"青森県", u"岩手県", u"宮城県", u"東京都", u"神奈川県", u"大阪府", u"沖縄県"}) {
    prefectures += u"<OPTION value=1>" + std::u16string(p) + u"</OPTION>";
  }
  const std::u16string row = u"<TR><TD bgColor=#eeeeee>";
  return {
      {2, row + u"お名前</TD><TD>姓 <INPUT size=12 name=sei> 名 <INPUT size=12 name=mei></TD></TR>\n"},
      {2, row + u"フリガナ</TD><TD>セイ <INPUT size=12 name=kana1> メイ <INPUT size=12 name=kana2></TD></TR>\n"},
      {2, row + u"メールアドレス</TD><TD><INPUT size=16 name=mail_user> ＠ <INPUT size=24 name=domain></TD></TR>\n"},
      {2, row + u"郵便番号</TD><TD><INPUT size=4 name=zip1> - <INPUT size=5 name=zip2></TD></TR>\n"},
      {1, row + u"都道府県</TD><TD><SELECT name=pref><OPTION value=0 selected>選択</OPTION>" + prefectures + u"</SELECT></TD></TR>\n"},
      {2, row + u"ご住所</TD><TD><INPUT size=40 name=addr1><BR><INPUT size=40 name=addr2></TD></TR>\n"},
      {3, row + u"生年月日</TD><TD><SELECT name=y>" + options(1930, 2010) + u"</SELECT>年 <SELECT name=m>" +
              options(1, 12) + u"</SELECT>月 <SELECT name=d>" + options(1, 31) + u"</SELECT>日</TD></TR>\n"},
      {1, row + u"年齢</TD><TD><INPUT size=3 name=age></TD></TR>\n"},
      {1, row + u"ご職業</TD><TD><SELECT name=job><OPTION>学生</OPTION><OPTION>会社員</OPTION></SELECT></TD></TR>\n"},
      {3, row + u"電話番号</TD><TD><INPUT size=5 name=tel1>-<INPUT size=4 name=tel2>-<INPUT size=4 name=tel3></TD></TR>\n"},
      {2, row + u"性別</TD><TD><INPUT type=radio value=1 name=sex>男 <INPUT type=radio CHECKED value=2 name=sex>女</TD></TR>\n"},
      {1, row + u"パスワード</TD><TD><INPUT type=password size=16 name=pw><INPUT type=hidden name=t value=x></TD></TR>\n"},
      {1, row + u"お届け先住所</TD><TD><TEXTAREA name=note rows=4 cols=40>ご自由に</TEXTAREA></TD></TR>\n"},
  };
}

// A page of about `units` UTF-16 code units holding `fields` labelled fields, padded evenly with
// notes that hold no keyword.
std::u16string registrationPage(size_t units, int fields) {
  const auto groups = fieldGroups();
  std::vector<const std::u16string*> rows;
  size_t content = 0;
  for (int n = 0; n < fields;) {
    const Group& group = groups[rows.size() % groups.size()];
    static const std::u16string single = u"<TR><TD>ご職業</TD><TD><INPUT size=20 name=job2></TD></TR>\n";
    const bool fits = n + group.fields <= fields;
    rows.push_back(fits ? &group.html : &single);
    n += fits ? group.fields : 1;
    content += rows.back()->size();
  }
  const std::u16string note = u"<P class=note>ご入力いただいた情報は、当社の方針に従って適切に管理いたします。</P>\n";
  const size_t notes = units > content ? (units - content) / note.size() : 0;
  std::u16string page = u"<H2>会員登録</H2><FORM name=regist action=/member/confirm.cgi method=post><TABLE>\n";
  for (size_t r = 0; r < rows.size(); ++r) {
    for (size_t k = r * notes / rows.size(); k < (r + 1) * notes / rows.size(); ++k) page += note;
    page += *rows[r];
  }
  page += u"</TABLE><INPUT type=submit value=確認></FORM>";
  return page;
}

fill::Profile profile() {
  return fill::profileFromPanel({u"山田", u"太郎", u"やまだ", u"たろう", u"taro.yamada", u"example.co.jp", u"100", u"0001",
                                 u"千代田区千代田1-1", u"ABCビル 101", u"1980", u"5", u"15", u"03", u"1234", u"5678"},
                                {u"東京都", u"会社員"}, true);
}

constexpr size_t kMegabyte = 1 << 20;  // code units

void fillPage(benchmark::State& state, size_t units, int fields) {
  const std::u16string page = registrationPage(units, fields);
  const fill::Profile p = profile();
  size_t changed = 0;
  for (auto _ : state) {
    auto result = fill::fillForm(page, p, {2025, 6, 1});
    changed = 0;
    for (const auto& record : result.fields.records) changed += record.changed;
    benchmark::DoNotOptimize(result.html.data());
  }
  state.counters["units"] = static_cast<double>(page.size());
  state.counters["changed"] = static_cast<double>(changed);
}

void scanPage(benchmark::State& state, size_t units, int fields) {
  const std::u16string page = registrationPage(units, fields);
  for (auto _ : state) {
    benchmark::DoNotOptimize(text::inStr(page, u"<BLINK class=none>", 0, text::Compare::Text));
  }
  state.counters["units"] = static_cast<double>(page.size());
}

void BM_FillForm_1MB(benchmark::State& state) { fillPage(state, kMegabyte, 1001); }
void BM_FillForm_2MB(benchmark::State& state) { fillPage(state, 2 * kMegabyte, 2002); }
void BM_ScanFloor_1MB(benchmark::State& state) { scanPage(state, kMegabyte, 1001); }
void BM_ScanFloor_2MB(benchmark::State& state) { scanPage(state, 2 * kMegabyte, 2002); }
BENCHMARK(BM_FillForm_1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillForm_2MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanFloor_1MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanFloor_2MB)->Unit(benchmark::kMillisecond);

}  // namespace
