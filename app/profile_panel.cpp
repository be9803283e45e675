// The profile panel: its two lists, the input rules of its boxes, and its place in the settings file.
#include "app/main_window.h"
#include "text/compare.h"

namespace formix::app {
namespace {

// The prefectures in the list's own order ("山梨県" and "長野県" before "新潟県"); the last item
// ends with a blank that belongs to it.
constexpr const char16_t* kPrefectures[48] = {
    u"北海道", u"青森県", u"岩手県", u"宮城県", u"秋田県", u"山形県", u"福島県", u"茨城県", u"栃木県", u"群馬県",
    u"埼玉県", u"千葉県", u"東京都", u"神奈川県", u"山梨県", u"長野県", u"新潟県", u"富山県", u"石川県", u"福井県",
    u"岐阜県", u"静岡県", u"愛知県", u"三重県", u"滋賀県", u"京都府", u"大阪府", u"兵庫県", u"奈良県", u"和歌山県",
    u"鳥取県", u"島根県", u"岡山県", u"広島県", u"山口県", u"徳島県", u"香川県", u"愛媛県", u"高知県", u"福岡県",
    u"佐賀県", u"長崎県", u"熊本県", u"大分県", u"宮崎県", u"鹿児島県", u"沖縄県", u"海外 "};

constexpr const char16_t* kOccupations[8] = {u"学生", u"会社員", u"管理職", u"公務員",
                                             u"主婦", u"自由業", u"無職", u"その他"};

constexpr int kGenderKey = 18;  // A019

bool digitsOnly(int index) { return index == 6 || index == 7 || (index >= 10 && index <= 15); }

}  // namespace

void FrmMain::fillProfileLists() {
  for (const char16_t* item : kPrefectures) step([&] { cboAUTO(0).addItem(item); });
  step([&] { cboAUTO(0).setListIndex(0); });
  for (const char16_t* item : kOccupations) step([&] { cboAUTO(1).addItem(item); });
  step([&] { cboAUTO(1).setListIndex(0); });
}

void FrmMain::txtAUTO_GotFocus(int index) {
  Control& box = txtAUTO(index);
  box.setSelStart(0);
  box.setSelLength(static_cast<int>(box.text().size()));
}

void FrmMain::txtAUTO_KeyPress(int index, int& keyAscii) {
  if (digitsOnly(index) && keyAscii != 8 && (keyAscii < '0' || keyAscii > '9')) keyAscii = 0;
}

void FrmMain::txtAUTO_LostFocus(int index) { StripControlChars(txtAUTO(index)); }

void StripControlChars(Control& box) {
  try {
    std::u16string kept;
    for (char16_t c : box.text()) {
      if (c != u'\r' && c != u'\n' && c != u'\t') kept.push_back(c);
    }
    box.setText(std::move(kept));
    box.setSelStart(0);
  } catch (const std::exception&) {
  }
}

void FrmMain::restoreProfile(const SettingsRecord& record) {
  for (int i = 0; i < 16; ++i) step([&] { txtAUTO(i).setText(record.text(key::profile(i))); });
  step([&] { cboAUTO(0).setText(record.text(key::profile(16))); });
  step([&] { cboAUTO(1).setText(record.text(key::profile(17))); });
  step([&] {
    for (int i = 0; i < 2; ++i) {
      if (text::equals(optAUTO(i).caption(), record.text(key::profile(kGenderKey)), text::Compare::Text)) {
        optAUTO(i).setValue(1);
        break;
      }
    }
  });
}

void FrmMain::storeProfile(SettingsRecord& record) const {
  for (int i = 0; i < 16; ++i) record.set(key::profile(i), txtAUTO(i).text());
  record.set(key::profile(16), cboAUTO(0).text());
  record.set(key::profile(17), cboAUTO(1).text());
  record.set(key::profile(kGenderKey), optAUTO(0).value() != 0 ? optAUTO(0).caption() : optAUTO(1).caption());
}

}  // namespace formix::app
