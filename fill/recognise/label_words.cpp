#include "fill/recognise/label_words.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <vector>

#include "text/compare.h"
#include "text/japanese.h"
#include "text/utf.h"

namespace formix::fill::recognition {
namespace {

// One word of the label table. Words are searched under text comparison (case, width and kana
// script folded), so "メール" also finds "ﾒｰﾙ" and "かな" also finds "カナ".
struct Word {
  std::u16string_view text;
  Topic topic;
  Part part = Part::None;
};

// Strong words: each names a topic by itself. Where two start at the same place the longer wins
// ("メールマガジン" over "メール").
constexpr Word kStrong[] = {
    // Left alone: secrets, other people's or organisations' details, free text, site tools.
    {u"パスワード", Topic::Leave}, {u"password", Topic::Leave}, {u"暗証", Topic::Leave},
    {u"質問", Topic::Leave}, {u"答え", Topic::Leave}, {u"回答", Topic::Leave}, {u"ヒント", Topic::Leave},
    {u"カード", Topic::Leave}, {u"クレジット", Topic::Leave}, {u"有効期限", Topic::Leave},
    {u"セキュリティコード", Topic::Leave}, {u"会社", Topic::Leave}, {u"勤務先", Topic::Leave},
    {u"勤め先", Topic::Leave}, {u"企業", Topic::Leave}, {u"法人", Topic::Leave}, {u"団体", Topic::Leave},
    {u"部署", Topic::Leave}, {u"所属", Topic::Leave}, {u"役職", Topic::Leave}, {u"学校名", Topic::Leave},
    {u"fax", Topic::Leave}, {u"ファックス", Topic::Leave}, {u"ファクス", Topic::Leave},
    {u"ニックネーム", Topic::Leave}, {u"ハンドル", Topic::Leave}, {u"表示名", Topic::Leave},
    {u"ユーザー名", Topic::Leave}, {u"ユーザ名", Topic::Leave}, {u"ログインid", Topic::Leave},
    {u"ユーザーid", Topic::Leave}, {u"会員id", Topic::Leave}, {u"お問い合わせ", Topic::Leave},
    {u"お問合せ", Topic::Leave}, {u"問い合わせ", Topic::Leave}, {u"備考", Topic::Leave},
    {u"ご要望", Topic::Leave}, {u"ご意見", Topic::Leave}, {u"内容", Topic::Leave}, {u"コメント", Topic::Leave},
    {u"メッセージ", Topic::Leave}, {u"自由記入", Topic::Leave}, {u"画像認証", Topic::Leave},
    {u"認証コード", Topic::Leave}, {u"確認コード", Topic::Leave}, {u"画像の文字", Topic::Leave},
    {u"表示されている文字", Topic::Leave}, {u"captcha", Topic::Leave}, {u"同意", Topic::Leave},
    {u"規約", Topic::Leave}, {u"検索", Topic::Leave}, {u"キーワード", Topic::Leave}, {u"search", Topic::Leave},
    {u"緊急", Topic::Leave}, {u"内線", Topic::Leave}, {u"保護者", Topic::Leave}, {u"紹介者", Topic::Leave},
    {u"続柄", Topic::Leave}, {u"メールマガジン", Topic::Leave}, {u"メルマガ", Topic::Leave},
    {u"配信", Topic::Leave}, {u"ホームページ", Topic::Leave}, {u"url", Topic::Leave}, {u"件名", Topic::Leave},
    {u"受講", Topic::Leave}, {u"経験", Topic::Leave}, {u"希望", Topic::Leave}, {u"お子様", Topic::Leave},
    {u"同伴者", Topic::Leave}, {u"同行者", Topic::Leave}, {u"配偶者", Topic::Leave},
    // Places other than where the person lives: a workplace wished for, a site to build on.
    {u"勤務地", Topic::Leave}, {u"予定地", Topic::Leave}, {u"出身地", Topic::Leave}, {u"目的地", Topic::Leave},
    {u"開催地", Topic::Leave}, {u"出発地", Topic::Leave}, {u"建築地", Topic::Leave}, {u"建設地", Topic::Leave},
    {u"帰省先", Topic::Leave}, {u"実家", Topic::Leave},

    {u"携帯", Topic::Mobile}, {u"モバイル", Topic::Mobile}, {u"mobile", Topic::Mobile},

    {u"氏名", Topic::Name}, {u"名前", Topic::Name}, {u"姓名", Topic::Name}, {u"フルネーム", Topic::Name},
    {u"者名", Topic::Name},  // "申込者名", "ご予約者名": the name of the one who applies
    {u"名字", Topic::Name, Part::Family}, {u"苗字", Topic::Name, Part::Family}, {u"name", Topic::Name},

    {u"フリガナ", Topic::Kana}, {u"よみがな", Topic::Kana}, {u"読み仮名", Topic::Kana}, {u"カタカナ", Topic::Kana},
    {u"ひらがな", Topic::Kana}, {u"カナ", Topic::Kana}, {u"ヨミ", Topic::Kana}, {u"読み", Topic::Kana},

    {u"メール", Topic::Mail}, {u"mail", Topic::Mail}, {u"メアド", Topic::Mail},

    {u"郵便", Topic::Postal}, {u"〒", Topic::Postal}, {u"zip", Topic::Postal}, {u"postal", Topic::Postal},
    {u"postcode", Topic::Postal},

    {u"都道府県", Topic::Prefecture}, {u"prefecture", Topic::Prefecture},

    {u"住所", Topic::Address}, {u"都道府県以下", Topic::Address, Part::AfterPrefecture},
    {u"都道府県から", Topic::Address, Part::WholeAddress}, {u"所在地", Topic::Address}, {u"address", Topic::Address},
    {u"市区町村", Topic::Address, Part::City}, {u"市町村", Topic::Address, Part::City},
    {u"区市町村", Topic::Address, Part::City}, {u"市区郡", Topic::Address, Part::City},
    {u"市郡", Topic::Address, Part::City}, {u"city", Topic::Address, Part::City},
    {u"町名", Topic::Address, Part::Town}, {u"町域", Topic::Address, Part::Town},
    {u"丁目", Topic::Address, Part::Number}, {u"番地", Topic::Address, Part::Street},
    {u"建物", Topic::Address, Part::Building}, {u"ビル", Topic::Address, Part::Building},
    {u"マンション", Topic::Address, Part::Building}, {u"アパート", Topic::Address, Part::Building},
    {u"部屋番号", Topic::Address, Part::Building}, {u"号室", Topic::Address, Part::Building},

    {u"生年月日", Topic::Birth}, {u"誕生日", Topic::Birth}, {u"生まれ", Topic::Birth}, {u"birth", Topic::Birth},
    {u"生年", Topic::Birth},

    {u"年齢", Topic::Age}, {u"年令", Topic::Age}, {u"年代", Topic::Age},

    {u"性別", Topic::Gender}, {u"gender", Topic::Gender},

    {u"職業", Topic::Occupation}, {u"職種", Topic::Occupation}, {u"occupation", Topic::Occupation},

    {u"電話", Topic::Tel}, {u"tel", Topic::Tel}, {u"phone", Topic::Tel}, {u"連絡先", Topic::Tel},
    {u"市外局番", Topic::Tel, Part::First}, {u"市内局番", Topic::Tel, Part::Second},
    {u"加入者番号", Topic::Tel, Part::Third},
};

// Weak words: a part of a topic, heard only where no strong word speaks.
constexpr Word kWeak[] = {
    {u"姓", Topic::Name, Part::Family}, {u"氏", Topic::Name, Part::Family}, {u"名", Topic::Name, Part::Given},
    {u"セイ", Topic::Kana, Part::Family}, {u"メイ", Topic::Kana, Part::Given},
    {u"元号", Topic::Birth, Part::Era}, {u"年号", Topic::Birth, Part::Era}, {u"和暦", Topic::Birth, Part::EraYear},
    {u"西暦", Topic::Birth, Part::Year}, {u"年", Topic::Birth, Part::Year}, {u"月", Topic::Birth, Part::Month},
    {u"日", Topic::Birth, Part::Day}, {u"歳", Topic::Age}, {u"才", Topic::Age}, {u"男", Topic::Gender},
    {u"女", Topic::Gender}, {u"職", Topic::Occupation},
};

// Words that mean "the reading of" whatever the label names.
constexpr std::u16string_view kReading[] = {u"フリガナ", u"よみがな", u"読み仮名", u"カタカナ", u"ひらがな",
                                            u"カナ", u"ヨミ", u"読み", u"セイ", u"メイ"};
constexpr std::u16string_view kRoman[] = {u"ローマ字", u"英字", u"アルファベット", u"alphabet", u"romaji", u"英語表記"};
constexpr std::u16string_view kMobile[] = {u"携帯", u"モバイル", u"mobile"};
constexpr std::u16string_view kDelivery[] = {u"お届け先", u"配送先", u"送付先", u"配達先", u"発送先"};
constexpr std::u16string_view kConfirm[] = {u"確認", u"再入力", u"もう一度", u"もう1度", u"再度", u"2度", u"confirm"};
constexpr std::u16string_view kNoHyphen[] = {u"ハイフンなし", u"ハイフン無し", u"ハイフン不要", u"ハイフンを除", u"ハイフン抜",
                                             u"ハイフンは不要", u"ハイフンを入れず", u"ハイフン(-)なし", u"-なし", u"-不要",
                                             u"ハイフンを含めず", u"数字のみ", u"ハイフンは入れず", u"ハイフンは入力せず",
                                             u"ハイフンを入力せず", u"ハイフンは含めず", u"ハイフンは除", u"ハイフンなしで",
                                             u"ハイフン(-)不要", u"ハイフン(-)は不要", u"ハイフン(-)を除", u"ハイフン(-)は入れず",
                                             u"「-」は入れず", u"「-」を入れず", u"「-」なし", u"「-」不要", u"「-」は不要",
                                             u"「-」を除", u"「-」は除", u"-は入れず", u"-を入れず", u"-を除", u"-は不要",
                                             u"区切り記号は不要", u"区切り記号不要", u"区切り記号なし", u"区切り記号を入れず",
                                             u"区切り文字は不要", u"区切り文字なし", u"記号は不要", u"記号なし", u"記号を除",
                                             u"続けて入力", u"続けてご入力"};
// "Second" markers: a second box of its kind, not the confirmation of the first.
constexpr std::u16string_view kSecond[] = {u"第2", u"第二", u"サブ", u"予備", u"もう一つ", u"もうひとつ", u"2つ目", u"二つ目",
                                           u"その他の", u"別の"};
// Words of another party or another line that beat an item word anywhere in the same label:
// "連絡先FAX番号" is a FAX box, "勤務先電話番号" the employer's, "保護者氏名" a guardian's.
constexpr std::u16string_view kLeaveBeatsItem[] = {u"fax", u"ファックス", u"ファクス", u"勤務先", u"勤め先", u"企業",
                                                   u"法人", u"学校名", u"緊急", u"内線", u"保護者", u"紹介者",
                                                   u"お子様", u"同伴者", u"同行者", u"配偶者", u"勤務地", u"予定地",
                                                   u"出身地", u"目的地", u"開催地", u"出発地", u"建築地", u"建設地",
                                                   u"帰省先", u"実家"};
// What a label for the rest of an address says: "それ以降の住所", "番地以降".
constexpr std::u16string_view kRest[] = {u"以降", u"以下の住所", u"残りの住所", u"続きの住所"};
// A box for everything from the city on: "市区町村以下", "市区町村から".
constexpr std::u16string_view kUpToNumbers[] = {u"番地まで", u"番地迄", u"丁目まで", u"番地を含む", u"番地まで含"};
constexpr std::u16string_view kFromCity[] = {u"市区町村以下", u"市区町村から", u"市区町村以降", u"市町村以下", u"市町村から"};
// A hyphen named, then a word that leaves it out, a few characters on: "ハイフンを省いて",
// "ハイフンはつけずに", "ハイフン（-）抜きで". The table above holds the wordings this misses.
constexpr std::u16string_view kHyphenWords[] = {u"ハイフン", u"「-」", u"(-)", u"区切り記号", u"区切り文字"};
constexpr std::u16string_view kLeaveOut[] = {u"なし", u"無し", u"不要", u"除", u"抜", u"省", u"入れず", u"いれず", u"つけず",
                                             u"付けず", u"含めず", u"含まず", u"使わず", u"使用せず", u"入力せず", u"不可", u"禁止"};
constexpr size_t kLeaveOutReach = 6;

bool saysNoHyphen(const text::FoldedText& folded) {
  for (std::u16string_view h : kHyphenWords) {
    for (size_t at = folded.find(h); at != text::npos; at = folded.find(h, at + 1)) {
      const size_t from = at + h.size(), to = from + kLeaveOutReach;
      for (std::u16string_view w : kLeaveOut) {
        const size_t found = folded.find(w, from);
        if (found != text::npos && found + w.size() <= to) return true;
      }
    }
  }
  return false;
}

constexpr std::u16string_view kWithHyphen[] = {u"ハイフンあり", u"ハイフン付", u"ハイフンを含め", u"ハイフン入り",
                                               u"ハイフンを入れて", u"ハイフン(-)あり", u"ハイフン(-)を含め"};

using text::isHiragana;
using text::isKatakana;

// Every word folded once.
struct FoldedWord {
  std::u16string folded;
  const Word* word;
};

std::vector<FoldedWord> foldAll(const Word* begin, const Word* end) {
  std::vector<FoldedWord> out;
  for (const Word* w = begin; w != end; ++w) out.push_back({text::foldText(w->text), w});
  return out;
}

const std::vector<FoldedWord>& strongWords() {
  static const std::vector<FoldedWord> words = foldAll(std::begin(kStrong), std::end(kStrong));
  return words;
}
const std::vector<FoldedWord>& weakWords() {
  static const std::vector<FoldedWord> words = foldAll(std::begin(kWeak), std::end(kWeak));
  return words;
}

bool containsAny(const text::FoldedText& folded, const auto& words) {
  for (std::u16string_view w : words) {
    if (folded.find(w) != text::npos) return true;
  }
  return false;
}

struct Found {
  size_t at = text::npos;
  size_t length = 0;
  const Word* word = nullptr;
};

// The word of `words` that starts first in the label (the longer one on a tie).
Found firstWord(const text::FoldedText& folded, const std::vector<FoldedWord>& words) {
  Found best;
  for (const FoldedWord& w : words) {
    const size_t at = folded.findFolded(w.folded);
    if (at == text::npos) continue;
    if (best.word == nullptr || at < best.at || (at == best.at && w.folded.size() > best.length)) {
      best = {at, w.folded.size(), w.word};
    }
  }
  return best;
}

// The address parts a label names: "市区町村・番地" is the city line, "番地・ビル名" the rest.
Part addressPart(const text::FoldedText& folded) {
  if (folded.find(u"都道府県以下") != text::npos) return Part::AfterPrefecture;
  if (folded.find(u"都道府県から") != text::npos) return Part::WholeAddress;
  if (containsAny(folded, kFromCity)) return Part::AfterPrefecture;
  if (containsAny(folded, kRest)) return Part::Rest;
  // "ご住所（番地まで）": everything up to the numbers, which no one part names.
  if (containsAny(folded, kUpToNumbers)) return Part::None;
  bool city = false, street = false, town = false, number = false, building = false;
  for (const FoldedWord& w : strongWords()) {
    if (w.word->topic != Topic::Address || w.word->part == Part::None) continue;
    if (folded.findFolded(w.folded) == text::npos) continue;
    city |= w.word->part == Part::City;
    street |= w.word->part == Part::Street;
    town |= w.word->part == Part::Town;
    number |= w.word->part == Part::Number;
    building |= w.word->part == Part::Building;
  }
  const bool afterCity = street || number || town;
  if (folded.find(u"都道府県") != text::npos && city && !afterCity) return Part::PrefectureCity;
  // "都道府県・市区町村・番地・建物名": every part of the address in one box.
  if (folded.find(u"都道府県") != text::npos && city && afterCity) return Part::WholeAddress;
  if (city && afterCity && building) return Part::AfterPrefecture;
  if (city && afterCity) return Part::CityLine;
  if (city) return Part::City;
  if (afterCity && building) return Part::StreetBuilding;
  if (town && !number && !street) return Part::Town;
  if (number && !town && !street) return Part::Number;
  if (afterCity) return Part::Street;
  if (building) return Part::Building;
  return Part::None;
}

// The kana script of the reading word at `at` in the raw label.
Script scriptAt(std::u16string_view raw, size_t at, size_t length) {
  for (size_t i = at; i < at + length && i < raw.size(); ++i) {
    if (isHiragana(raw[i])) return Script::Hiragana;
    if (isKatakana(raw[i])) return Script::Katakana;
  }
  return Script::Unknown;
}

Script readingScript(std::u16string_view raw, const text::FoldedText& folded) {
  size_t first = text::npos, length = 0;
  for (std::u16string_view w : kReading) {
    const size_t at = folded.find(w);
    if (at != text::npos && at < first) first = at, length = w.size();
  }
  if (first == text::npos) return Script::Unknown;
  return scriptAt(raw, first, length);
}

// "メールアドレス2", "電話番号２": a numbered second box of the topic's word at `end`.
bool numberedSecond(const std::u16string& folded, size_t end) {
  size_t i = end;
  while (i < folded.size() && folded[i] != u'2' && folded[i] != u'(' && folded[i] != u' ' &&
         folded[i] != u'1' && i < end + 6) {
    ++i;
  }
  return i < folded.size() && folded[i] == u'2' && (i + 1 == folded.size() || !(folded[i + 1] >= u'0' && folded[i + 1] <= u'9'));
}

// Half-width katakana write a voiced sound as two characters ("ｶﾞ"); the words of the tables
// are written in one ("ガ"). Each such pair becomes its one full-width character.
std::u16string withVoicedKana(std::u16string_view text) {
  static constexpr std::u16string_view kVoiceable = u"カキクケコサシスセソタチツテトハヒフヘホ", kSemiVoiceable = u"ハヒフヘホ";
  std::u16string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t mark = i + 1 < text.size() ? text[i + 1] : u'\0';
    const bool halfWidth = text[i] >= 0xFF66 && text[i] <= 0xFF9D;
    if (halfWidth && (mark == 0xFF9E || mark == 0xFF9F)) {
      const char16_t base = text::foldText(text.substr(i, 1)).front();  // its full-width katakana
      if (mark == 0xFF9E && base == u'ウ') out += u'ヴ', ++i;
      else if (mark == 0xFF9E && kVoiceable.find(base) != std::u16string_view::npos) out += static_cast<char16_t>(base + 1), ++i;
      else if (mark == 0xFF9F && kSemiVoiceable.find(base) != std::u16string_view::npos) out += static_cast<char16_t>(base + 2), ++i;
      else out += text[i];
      continue;
    }
    out += text[i];
  }
  return out;
}

bool hasVoicedMark(std::u16string_view text) {
  return text.find(u'\uFF9E') != std::u16string_view::npos || text.find(u'\uFF9F') != std::u16string_view::npos;
}

// Several of 市, 区, 町, 村 and 郡 together in an order no table word has ("市町区村", "市区郡町村"):
// the city's box all the same.
bool namesCityInOtherOrder(std::u16string_view label) {
  static constexpr std::u16string_view kCityLetters = u"市区町村郡";
  size_t run = 0;
  bool city = false, town = false;
  for (char16_t ch : label) {
    if (kCityLetters.find(ch) == std::u16string_view::npos) {
      if (run >= 3 && city && town) return true;
      run = 0, city = town = false;
      continue;
    }
    ++run;
    city |= ch == u'市' || ch == u'区';
    town |= ch == u'町' || ch == u'村';
  }
  return run >= 3 && city && town;
}

}  // namespace

LabelHint readLabel(std::u16string_view label) {
  LabelHint hint;
  if (label.empty()) return hint;
  hint.present = true;
  std::u16string composed;
  if (hasVoicedMark(label)) label = composed = withVoicedKana(label);
  // How the value is to be written may be said anywhere, around an example too.
  {
    const text::FoldedText whole(label);
    hint.fullWidth = whole.find(u"全角") != text::npos;
    hint.halfWidth = whole.find(u"半角") != text::npos;
    hint.noHyphen = containsAny(whole, kNoHyphen) || saysNoHyphen(whole);
    hint.withHyphen = !hint.noHyphen && containsAny(whole, kWithHyphen);
  }
  // "7桁": a count of digits, the number of characters the value is written in.
  for (size_t at = label.find(u'桁'); at != std::u16string_view::npos; at = label.find(u'桁', at + 1)) {
    size_t start = at;
    while (start > 0 && text::isDigit(label[start - 1])) --start;
    int n = 0;
    for (size_t k = start; k < at && n < 100; ++k) n = n * 10 + text::digitValue(label[k]);
    if (start < at && n < 32) hint.digitCounts |= 1u << n;
  }
  // What follows "例" is an example value ("例）静岡市インフィックマンション302号"), no label.
  if (const size_t example = label.find(u'例'); example != std::u16string_view::npos) label = label.substr(0, example);
  if (label.empty()) return hint;
  const text::FoldedText folded(label);
  hint.confirm = containsAny(folded, kConfirm);
  hint.reading = containsAny(folded, kReading);
  hint.roman = containsAny(folded, kRoman);
  hint.mobile = containsAny(folded, kMobile);
  hint.delivery = containsAny(folded, kDelivery);
  if (hint.reading) hint.script = readingScript(label, folded);

  Found strong = firstWord(folded, strongWords());
  static const Word kCity{u"市区町村", Topic::Address, Part::City};
  if (strong.word == nullptr && namesCityInOtherOrder(label)) strong = {0, 0, &kCity};
  if (strong.word != nullptr) {
    hint.strong = true;
    hint.topic = strong.word->topic;
    hint.part = strong.word->part;
    if (hint.topic != Topic::Leave) {
      for (std::u16string_view w : kLeaveBeatsItem) {
        if (folded.find(w) == text::npos) continue;
        hint.topic = Topic::Leave;
        hint.leaveWhy = std::u16string(w);
        return hint;
      }
    }
    // "都道府県・市区町村": one box for the prefecture and the city, or for all of the address.
    if (hint.topic == Topic::Prefecture &&
        (addressPart(folded) == Part::PrefectureCity || addressPart(folded) == Part::WholeAddress)) {
      hint.topic = Topic::Address;
    }
    // An address's word before another item's in one compound names whose item it is:
    // "現住所電話番号" is a telephone, "ご住所の郵便番号" a postal code. "連絡先" names a way to
    // reach the person, the telephone unless another item is named: "連絡先メールアドレス".
    const bool contact = strong.word->text == u"連絡先";
    if (hint.topic == Topic::Address || contact) {
      const size_t end = strong.at + strong.length;
      const std::u16string& f = folded.folded();
      const size_t stop = contact ? std::u16string::npos : f.find_first_of(u"([【/・、", end);
      const Found next = firstWord(text::FoldedText(std::u16string_view(f).substr(end, stop == std::u16string::npos ? f.npos : stop - end)),
                                   strongWords());
      const Topic t = next.word != nullptr ? next.word->topic : Topic::None;
      const bool item = contact ? (t == Topic::Mail || t == Topic::Address || t == Topic::Postal)
                                : (t == Topic::Tel || t == Topic::Mail || t == Topic::Postal);
      if (item) {
        hint.topic = t;
        hint.part = next.word->part;
      }
    }
    if (hint.topic == Topic::Leave) {
      hint.leaveWhy = std::u16string(strong.word->text);
      return hint;
    }
    // "携帯メールアドレス" is a mail address (of a mobile).
    if (hint.topic == Topic::Mobile && (folded.find(u"メール") != text::npos || folded.find(u"mail") != text::npos)) {
      hint.topic = Topic::Mail;
    }
    // A reading of the name is a name box written in kana; a reading of anything else (an
    // address in kana) is nothing Formix keeps.
    if (hint.reading && hint.topic != Topic::Kana) {
      if (hint.topic == Topic::Name) {
        hint.topic = Topic::Kana;
        size_t reading = text::npos;
        for (std::u16string_view w : kReading) reading = std::min(reading, folded.find(w));
        hint.twoLabels = reading != text::npos && reading > strong.at + strong.length + 2;
      } else if (hint.topic == Topic::Address || hint.topic == Topic::Prefecture) {
        hint.topic = Topic::Leave;
        hint.leaveWhy = u"reading of an address";
        return hint;
      }
    }
    if (hint.topic == Topic::Address) hint.part = strong.word == &kCity ? Part::City : addressPart(folded);
    if (hint.topic == Topic::Mail || hint.topic == Topic::Tel || hint.topic == Topic::Mobile || hint.topic == Topic::Address ||
        hint.topic == Topic::Postal) {
      // "住所2" is an address's second line; "電話番号2" a second number.
      const bool numbered = hint.topic != Topic::Address && hint.topic != Topic::Postal && numberedSecond(folded.folded(), strong.at + strong.length);
      hint.secondOfKind = !hint.confirm && (numbered || containsAny(folded, kSecond));
    }
    // A part word beside the topic's word: "お名前 姓", "生年月日 年", "フリガナ（セイ）".
    if (hint.part == Part::None && (hint.topic == Topic::Name || hint.topic == Topic::Kana || hint.topic == Topic::Birth)) {
      std::u16string rest = folded.folded();
      rest.replace(strong.at, strong.length, strong.length, u' ');
      // Nor is the 名 of another name's word a part: "お名前（読み仮名）" names the whole name.
      for (const FoldedWord& w : strongWords()) {
        if (w.word->topic != Topic::Name && w.word->topic != Topic::Kana) continue;
        for (size_t at = rest.find(w.folded); at != std::u16string::npos; at = rest.find(w.folded, at + w.folded.size())) {
          rest.replace(at, w.folded.size(), w.folded.size(), u' ');
        }
      }
      const Found weak = firstWord(text::FoldedText(rest), weakWords());
      // "姓と名の間に…" names both parts: the whole name.
      const bool both = (rest.find(u'姓') != std::u16string::npos && rest.find(u'名') != std::u16string::npos) ||
                        (rest.find(u"セイ") != std::u16string::npos && rest.find(u"メイ") != std::u16string::npos);
      // "生年月日（西暦）" names the calendar of a whole date, not its year.
      const bool wholeDate = strong.word->text == u"生年月日" || strong.word->text == u"誕生日";
      const bool calendar = weak.word != nullptr && (weak.word->text == u"西暦" || weak.word->text == u"和暦");
      if (weak.word != nullptr && !both && !(wholeDate && calendar)) {
        const bool namePart = weak.word->topic == Topic::Name || weak.word->topic == Topic::Kana;
        if ((namePart && hint.topic != Topic::Birth) || (weak.word->topic == Topic::Birth && hint.topic == Topic::Birth)) {
          hint.part = weak.word->part;
        }
      }
    }
    return hint;
  }

  // An at sign alone stands between the two halves of a mail address.
  if (folded.folded() == u"@") {
    hint.topic = Topic::Mail;
    hint.part = Part::Domain;
    return hint;
  }
  const Found weak = firstWord(folded, weakWords());
  if (weak.word != nullptr) {
    hint.topic = weak.word->topic;
    hint.part = weak.word->part;
    hint.oneCharacter = weak.word->text.size() == 1;
    if (hint.topic == Topic::Name && hint.reading) hint.topic = Topic::Kana;
    if (hint.topic == Topic::Kana && hint.script == Script::Unknown) hint.script = scriptAt(label, weak.at, weak.length);
  } else if (hint.reading) {
    hint.topic = Topic::Kana;
  }
  return hint;
}

LabelHint readNote(std::u16string_view note) {
  std::u16string composed;
  if (hasVoicedMark(note)) note = composed = withVoicedKana(note);
  const Found next = firstWord(text::FoldedText(note), strongWords());
  if (next.word == nullptr) return readLabel(note);
  // Folding keeps one character for one, so the folded place is the raw one.
  return readLabel(note.substr(0, std::min(next.at, note.size())));
}

namespace {

struct Token {
  std::string_view text;
  Topic topic;
  Part part = Part::None;
  bool reading = false;
  bool confirm = false;
};

constexpr Token kTokens[] = {
    {"sei", Topic::Name, Part::Family}, {"myouji", Topic::Name, Part::Family}, {"family", Topic::Name, Part::Family},
    {"last", Topic::Name, Part::Family}, {"lastname", Topic::Name, Part::Family}, {"surname", Topic::Name, Part::Family},
    {"familyname", Topic::Name, Part::Family}, {"lname", Topic::Name, Part::Family},
    {"mei", Topic::Name, Part::Given}, {"first", Topic::Name, Part::Given}, {"firstname", Topic::Name, Part::Given},
    {"given", Topic::Name, Part::Given}, {"givenname", Topic::Name, Part::Given}, {"fname", Topic::Name, Part::Given},
    {"name", Topic::Name}, {"shimei", Topic::Name}, {"simei", Topic::Name}, {"fullname", Topic::Name}, {"namae", Topic::Name},
    {"kana", Topic::Kana, Part::None, true}, {"furigana", Topic::Kana, Part::None, true},
    {"hurigana", Topic::Kana, Part::None, true}, {"yomi", Topic::Kana, Part::None, true},
    {"katakana", Topic::Kana, Part::None, true}, {"hiragana", Topic::Kana, Part::None, true},
    {"ruby", Topic::Kana, Part::None, true}, {"phonetic", Topic::Kana, Part::None, true},
    {"mail", Topic::Mail}, {"email", Topic::Mail}, {"mailaddress", Topic::Mail}, {"emailaddress", Topic::Mail},
    {"confirm", Topic::None, Part::None, false, true}, {"confirmation", Topic::None, Part::None, false, true},
    {"kakunin", Topic::None, Part::None, false, true}, {"retype", Topic::None, Part::None, false, true},
    {"repeat", Topic::None, Part::None, false, true}, {"again", Topic::None, Part::None, false, true},
    {"zip", Topic::Postal}, {"zipcode", Topic::Postal}, {"postal", Topic::Postal}, {"postcode", Topic::Postal},
    {"yubin", Topic::Postal}, {"yuubin", Topic::Postal}, {"yubinno", Topic::Postal},
    {"pref", Topic::Prefecture}, {"prefecture", Topic::Prefecture}, {"todofuken", Topic::Prefecture},
    {"state", Topic::Prefecture},
    {"addr", Topic::Address}, {"address", Topic::Address}, {"jusho", Topic::Address}, {"juusho", Topic::Address},
    {"city", Topic::Address, Part::City}, {"shiku", Topic::Address, Part::City},
    {"street", Topic::Address, Part::Street}, {"town", Topic::Address, Part::Street},
    {"banchi", Topic::Address, Part::Street}, {"chome", Topic::Address, Part::Street},
    {"building", Topic::Address, Part::Building}, {"tatemono", Topic::Address, Part::Building},
    {"bldg", Topic::Address, Part::Building}, {"apartment", Topic::Address, Part::Building},
    {"tel", Topic::Tel}, {"phone", Topic::Tel}, {"telephone", Topic::Tel}, {"denwa", Topic::Tel}, {"telno", Topic::Tel},
    {"mobile", Topic::Mobile}, {"cell", Topic::Mobile}, {"cellular", Topic::Mobile}, {"keitai", Topic::Mobile},
    {"cellphone", Topic::Mobile},
    {"birth", Topic::Birth}, {"birthday", Topic::Birth}, {"bday", Topic::Birth}, {"dob", Topic::Birth},
    {"tanjobi", Topic::Birth}, {"seinengappi", Topic::Birth},
    {"year", Topic::Birth, Part::Year}, {"yyyy", Topic::Birth, Part::Year}, {"month", Topic::Birth, Part::Month},
    {"day", Topic::Birth, Part::Day}, {"era", Topic::Birth, Part::Era}, {"gengo", Topic::Birth, Part::Era},
    {"sex", Topic::Gender}, {"gender", Topic::Gender}, {"seibetsu", Topic::Gender},
    {"job", Topic::Occupation}, {"occupation", Topic::Occupation}, {"shokugyo", Topic::Occupation},
    {"age", Topic::Age}, {"nenrei", Topic::Age},
    {"password", Topic::Leave}, {"passwd", Topic::Leave}, {"pass", Topic::Leave}, {"pwd", Topic::Leave},
    {"company", Topic::Leave}, {"kaisha", Topic::Leave}, {"corp", Topic::Leave}, {"organization", Topic::Leave},
    {"dept", Topic::Leave}, {"department", Topic::Leave}, {"nickname", Topic::Leave}, {"nick", Topic::Leave},
    {"handle", Topic::Leave}, {"captcha", Topic::Leave}, {"search", Topic::Leave}, {"query", Topic::Leave},
    {"keyword", Topic::Leave}, {"message", Topic::Leave}, {"comment", Topic::Leave}, {"inquiry", Topic::Leave},
    {"remarks", Topic::Leave}, {"card", Topic::Leave}, {"cvv", Topic::Leave}, {"cvc", Topic::Leave},
    {"emergency", Topic::Leave}, {"fax", Topic::Leave}, {"url", Topic::Leave}, {"homepage", Topic::Leave},
    {"agree", Topic::Leave}, {"answer", Topic::Leave}, {"question", Topic::Leave}, {"reminder", Topic::Leave},
    {"ext", Topic::Leave}, {"username", Topic::Leave}, {"userid", Topic::Leave}, {"login", Topic::Leave},
    {"loginid", Topic::Leave}, {"memberid", Topic::Leave},
};

const Token* findToken(std::string_view word) {
  for (const Token& t : kTokens) {
    if (t.text == word) return &t;
  }
  return nullptr;
}

// A run of letters that is no token itself may be two or three tokens written together
// ("seikana", "telno", "mailaddress").
std::vector<const Token*> splitCompound(std::string_view word, int depth = 0) {
  if (const Token* t = findToken(word)) return {t};
  if (depth >= 2) return {};
  for (size_t cut = word.size() - 1; cut >= 2; --cut) {
    const Token* head = findToken(word.substr(0, cut));
    if (head == nullptr) continue;
    std::vector<const Token*> rest = splitCompound(word.substr(cut), depth + 1);
    if (rest.empty()) continue;
    rest.insert(rest.begin(), head);
    return rest;
  }
  return {};
}

}  // namespace

LabelHint readTokens(std::u16string_view nameOrId) {
  // Words: runs of lower-case letters (a capital starts a new one) and runs of digits.
  std::vector<std::string> words;
  std::string current;
  auto flush = [&] {
    if (!current.empty()) words.push_back(current);
    current.clear();
  };
  for (char16_t c : nameOrId) {
    const bool upper = c >= u'A' && c <= u'Z', lower = c >= u'a' && c <= u'z', digit = c >= u'0' && c <= u'9';
    if (upper) {
      const bool afterLower = !current.empty() && std::islower(static_cast<unsigned char>(current.back()));
      if (afterLower) flush();
      current += static_cast<char>(c - u'A' + u'a');
    } else if (lower) {
      if (!current.empty() && std::isdigit(static_cast<unsigned char>(current.back()))) flush();
      current += static_cast<char>(c);
    } else if (digit) {
      if (!current.empty() && !std::isdigit(static_cast<unsigned char>(current.back()))) flush();
      current += static_cast<char>(c);
    } else {
      flush();
    }
  }
  flush();

  LabelHint hint;
  for (const std::string& word : words) {
    if (std::isdigit(static_cast<unsigned char>(word[0]))) {
      const int n = std::atoi(word.c_str());
      if (hint.part == Part::None && n >= 1 && n <= 3) hint.part = n == 1 ? Part::First : n == 2 ? Part::Second : Part::Third;
      continue;
    }
    for (const Token* t : splitCompound(word)) {
      hint.reading |= t->reading;
      hint.confirm |= t->confirm;
      if (t->topic == Topic::None) continue;
      if (t->topic == Topic::Leave) {
        hint.topic = Topic::Leave;
        hint.leaveWhy = text::widen(t->text);
        return hint;
      }
      // Part words refine the topic they belong to: "name" then "sei" is a family name, "birth"
      // then "year" a birth year, "addr" then "city" a city. "address" gives way to any other
      // topic ("mail_address", "address_yubin"), and no other topic gives way to it.
      const bool namePart = t->topic == Topic::Name && t->part != Part::None;
      if (namePart) {
        if (hint.topic == Topic::None || hint.topic == Topic::Name || hint.topic == Topic::Kana) {
          if (hint.topic == Topic::None) hint.topic = Topic::Name;
          hint.part = t->part;
        }
      } else if (t->topic == Topic::Birth && t->part != Part::None) {
        if (hint.topic == Topic::None || hint.topic == Topic::Birth) hint.topic = Topic::Birth, hint.part = t->part;
      } else if (t->topic == Topic::Address) {
        if (hint.topic == Topic::None || hint.topic == Topic::Address) {
          hint.topic = Topic::Address;
          if (t->part != Part::None) hint.part = t->part;
        }
      } else if (t->topic != Topic::Kana && t->topic != hint.topic) {
        if (hint.topic == Topic::None || hint.topic == Topic::Address || (hint.topic == Topic::Name && hint.part == Part::None)) {
          hint.topic = t->topic;
          hint.part = t->part;
        }
      }
    }
  }
  if (hint.reading && (hint.topic == Topic::Address || hint.topic == Topic::Prefecture)) {
    hint.topic = Topic::Leave;
    hint.leaveWhy = u"reading of an address";
    return hint;
  }
  if (hint.reading && (hint.topic == Topic::Name || hint.topic == Topic::None)) hint.topic = Topic::Kana;
  return hint;
}

LabelHint readAutocomplete(std::u16string_view autocomplete) {
  LabelHint hint;
  std::string tokens = text::toUtf8(autocomplete);
  std::transform(tokens.begin(), tokens.end(), tokens.begin(), [](unsigned char c) { return std::tolower(c); });
  // The field name is the last token; "section-…", "shipping", "home" and the like qualify it.
  const size_t end = tokens.find_last_not_of(" \t\n");
  if (end == std::string::npos) return hint;
  const size_t start = tokens.find_last_of(" \t\n", end);
  const std::string field = tokens.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1) + 1);
  struct Entry {
    std::string_view field;
    Topic topic;
    Part part;
  };
  static constexpr Entry kFields[] = {
      {"name", Topic::Name, Part::None}, {"family-name", Topic::Name, Part::Family},
      {"given-name", Topic::Name, Part::Given}, {"email", Topic::Mail, Part::None},
      {"postal-code", Topic::Postal, Part::None}, {"address-level1", Topic::Prefecture, Part::None},
      {"address-level2", Topic::Address, Part::City}, {"address-level3", Topic::Address, Part::Street},
      {"address-line1", Topic::Address, Part::CityLine}, {"address-line2", Topic::Address, Part::Building},
      {"address-line3", Topic::Address, Part::Building}, {"street-address", Topic::Address, Part::AfterPrefecture},
      {"bday", Topic::Birth, Part::None}, {"bday-year", Topic::Birth, Part::Year},
      {"bday-month", Topic::Birth, Part::Month}, {"bday-day", Topic::Birth, Part::Day},
      {"sex", Topic::Gender, Part::None}, {"tel", Topic::Tel, Part::None}, {"tel-national", Topic::Tel, Part::None},
      {"tel-area-code", Topic::Tel, Part::First}, {"tel-local-prefix", Topic::Tel, Part::Second},
      {"tel-local-suffix", Topic::Tel, Part::Third},
  };
  for (const Entry& e : kFields) {
    if (field == e.field) {
      hint.topic = e.topic;
      hint.part = e.part;
      hint.strong = true;
      return hint;
    }
  }
  static constexpr std::string_view kLeave[] = {"new-password", "current-password", "one-time-code", "username",
                                                "nickname", "organization", "organization-title", "cc-name",
                                                "cc-number", "cc-exp", "cc-exp-month", "cc-exp-year", "cc-csc",
                                                "cc-type", "cc-given-name", "cc-family-name", "tel-extension",
                                                "url", "honorific-prefix", "honorific-suffix", "additional-name"};
  for (std::string_view leave : kLeave) {
    if (field == leave) {
      hint.topic = Topic::Leave;
      hint.leaveWhy = text::widen(field);
      hint.strong = true;
    }
  }
  return hint;
}

}  // namespace formix::fill::recognition
