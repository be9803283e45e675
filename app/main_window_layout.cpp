// The design of frmMain: every control's container, caption, initial state and geometry (twips).
#include "app/main_window.h"
#include "text/utf.h"

namespace formix::app {
namespace {

void place(Control& c, Control* container, double left, double top, double width, double height,
           std::u16string caption = u"") {
  c.setContainer(container);
  c.setBounds(left, top, width, height);
  c.setCaption(std::move(caption));
}

struct ProfileBox {
  double left, top, width;
  int maxLength;
};

// txtAUTO(0..15), in tab order; text boxes are 255 high.
constexpr ProfileBox kProfileBoxes[16] = {
    {0, 240, 1215, 10},    {1320, 240, 1215, 10},  {0, 780, 1215, 10},    {1320, 780, 1215, 10},
    {0, 1320, 1215, 20},   {1500, 1320, 2295, 40}, {0, 1860, 375, 3},     {540, 1860, 495, 4},
    {0, 2400, 4995, 100},  {0, 2940, 4995, 100},   {0, 3480, 495, 4},     {780, 3480, 315, 2},
    {1380, 3480, 315, 2},  {0, 4680, 615, 5},      {780, 4680, 495, 4},   {1440, 4680, 495, 4},
};

struct ProfileLabel {
  double left, top, width;
  const char16_t* caption;
};

constexpr ProfileLabel kProfileLabels[19] = {
    {0, 60, 1215, u"姓（漢字）"},           {1320, 60, 1215, u"名（漢字）"},
    {0, 600, 1215, u"姓（ひらがな）"},       {1320, 600, 1215, u"名（ひらがな）"},
    {0, 1140, 1500, u"メールアドレス"},      {1260, 1350, 195, u"＠"},
    {0, 1680, 1035, u"郵便番号"},            {405, 1890, 120, u"-"},
    {1200, 1680, 1500, u"住所（都道府県）"}, {0, 2220, 2000, u"住所（市区町村など）"},
    {0, 2760, 2000, u"住所（建物名など）"},  {0, 3300, 1700, u"生年月日（西暦）"},
    {540, 3510, 195, u"年"},                 {1140, 3510, 195, u"月"},
    {1740, 3510, 195, u"日"},                {1560, 3840, 1035, u"職業"},
    {0, 4500, 1035, u"電話番号"},            {645, 4710, 120, u"-"},
    {1305, 4710, 120, u"-"},
};

struct OptionPlace {
  double left, top, width;
  const char16_t* caption;
};

constexpr OptionPlace kKeyOptions[3] = {
    {120, 240, 975, u"無し"}, {120, 480, 975, u"Tabｷｰ"}, {120, 720, 975, u"Enterｷｰ"}};
constexpr OptionPlace kMouseOptions[5] = {
    {120, 240, 735, u"無効"},          {120, 480, 915, u"中ｸﾘｯｸ"}, {1020, 480, 1275, u"Ctrl+中ｸﾘｯｸ"},
    {120, 720, 915, u"右ｸﾘｯｸ"},       {1020, 720, 1275, u"Ctrl+右ｸﾘｯｸ"}};
constexpr OptionPlace kWinKeyOptions[3] = {
    {120, 240, 1100, u"通常"}, {120, 480, 1100, u"ﾒﾆｭｰ表示"}, {120, 720, 1095, u"一括入力"}};

void placeOptions(ControlArray& options, Control& frame, const OptionPlace* places) {
  std::vector<Control*> group;
  for (const auto& c : options) group.push_back(c.get());
  for (int i = 0; i < options.count(); ++i) {
    place(options(i), &frame, places[i].left, places[i].top, places[i].width, 200, places[i].caption);
    options(i).setGroup(group);
  }
}

void menuItems(ControlArray& items, Control& parent) {
  for (const auto& item : items) item->setContainer(&parent);
}

}  // namespace

void FrmMain::layoutControls() {
  // The form: designed wide (bar and panel); start-up narrows it to the bar.
  place(frmMain, nullptr, 0, 0, kWideWidth, kFormHeight);
  frmMain.setVisible(false);

  // The bar of phrase buttons, title editors and page selectors.
  place(picBTN, &frmMain, 0, 0, 1050, 5730);
  for (int i = 0; i < kRows; ++i) {
    place(cmd(i), &picBTN, 0, 270.0 * i, 990, 270);
    place(txtTT(i), &picBTN, 45, 270.0 * i + 45, 870, 195);
    txtTT(i).setVisible(false);
  }
  txtTT(0).setMaxLength(256);
  std::vector<Control*> pages;
  for (const auto& c : optPAGE) pages.push_back(c.get());
  for (int k = 0; k < kPages; ++k) {
    place(optPAGE(k), &picBTN, 330.0 * (k % 3), 4050 + 270.0 * (k / 3), 330, 270);
    optPAGE(k).setPicture(0x5200 + static_cast<uint32_t>(k) + 1);  // the page number's picture
    optPAGE(k).setGroup(pages);
  }
  place(chkSET, &picBTN, 660, 5130, 330, 270);
  place(chkPOST, &picBTN, 660, 5400, 330, 270);
  place(cmdPOST, &picBTN, 0, 5400, 660, 270);

  // The tray button strip and the two tray pictures.
  place(picTRAY, &frmMain, -60, 5760, 1155, 195);
  place(cmdTRAY, &picTRAY, -60, -120, 1305, 405);
  place(imgTRAY, &frmMain, 0, 0, 240, 240);
  place(imgTRAY2, &frmMain, 0, 0, 240, 240);
  imgTRAY.setVisible(false);
  imgTRAY2.setVisible(false);
  imgTRAY.setPicture(kTrayIconPicture);
  imgTRAY2.setPicture(kBusyIconPicture);

  // The settings panel: content editors, the three option groups, start in the tray.
  place(frSET, &frmMain, 1150, 60, 5040, 5535);
  frSET.setVisible(false);
  for (int i = 0; i < kRows; ++i) place(txtCNT(i), &frSET, 0, 270.0 * i, 5040, 240);
  txtCNT(14).setMaxLength(256);
  place(frKEY, &frSET, 0, 4140, 1155, 1035, u"追加ｷｰ");
  place(frMS, &frSET, 1260, 4140, 2355, 1035, u"ﾏｳｽﾎﾞﾀﾝでﾒﾆｭｰ表示");
  place(frWK, &frSET, 3720, 4140, 1275, 1035, u"Windowsｷｰ");
  placeOptions(optKEY, frKEY, kKeyOptions);
  placeOptions(optMS, frMS, kMouseOptions);
  placeOptions(optWK, frWK, kWinKeyOptions);
  place(chkTRAY, &frSET, 120, 5280, 1515, 195, u"ﾀｽｸﾄﾚｲで起動");

  // The profile panel.
  place(frPOST, &frmMain, 1150, 60, 5040, 5535);
  frPOST.setVisible(false);
  for (int i = 0; i < 16; ++i) {
    const auto& b = kProfileBoxes[i];
    place(txtAUTO(i), &frPOST, b.left, b.top, b.width, 255);
    txtAUTO(i).setMaxLength(b.maxLength);
  }
  for (int i = 0; i < 19; ++i) {
    const auto& l = kProfileLabels[i];
    place(lblAUTO(i), &frPOST, l.left, l.top, l.width, 180, l.caption);
  }
  place(cboAUTO(0), &frPOST, 1200, 1860, 1215, 300);
  place(cboAUTO(1), &frPOST, 1560, 4020, 1035, 300);
  place(frSex, &frPOST, 0, 3840, 1395, 615, u"性別");
  const OptionPlace genders[2] = {{120, 270, 555, u"男"}, {720, 270, 555, u"女"}};
  placeOptions(optAUTO, frSex, genders);
  optAUTO(0).setValue(1);

  // The strip below the panels.
  place(lblURL, &frmMain, 1200, 5640, 3000, 180, u"https://formix.example.jp/");
  place(lblVer, &frmMain, 4320, 5640, 1935, 180);
  tm.setContainer(&frmMain);

  // The popup menu tree; mnu0 is never shown as a menu bar.
  mnu0.setVisible(false);
  mnu_page_chg.setCaption(u"ﾍﾟｰｼﾞ選択");
  mnu_page_chg.setContainer(&mnu0);
  menuItems(mnu0_page, mnu_page_chg);
  for (int k = 0; k < kPages; ++k) mnu0_page(k).setCaption(text::widen(std::to_string(k + 1)));
  for (Control* sep : {&mnu0_nop1, &mnu0_nop2, &mnu0_nop4}) {
    sep->setCaption(u"-");
    sep->setContainer(&mnu0);
  }
  menuItems(mnu0_btn, mnu0);
  mnu_key.setCaption(u"追加ｷｰ");
  mnu_ms.setCaption(u"ﾏｳｽﾒﾆｭｰ");
  mnu_wk.setCaption(u"Windowsｷｰ");
  for (Control* sub : {&mnu_key, &mnu_ms, &mnu_wk}) sub->setContainer(&mnu0);
  menuItems(mnu1_key, mnu_key);
  menuItems(mnu1_ms, mnu_ms);
  menuItems(mnu1_wk, mnu_wk);
  mnu0_undo.setCaption(u"入力を元に戻す");
  mnu0_undo.setContainer(&mnu0);
  mnu0_end.setCaption(u"終了");
  mnu0_end.setContainer(&mnu0);

  for (Control* c : {&frmMain, &picBTN, &cmdPOST, &chkPOST, &chkSET, &frSET, &frPOST, &frKEY, &frMS, &frWK, &frSex,
                     &picTRAY, &cmdTRAY, &chkTRAY, &imgTRAY, &imgTRAY2, &lblURL, &lblVer, &tm, &mnu0, &mnu_page_chg,
                     &mnu0_nop1, &mnu0_nop2, &mnu_key, &mnu_ms, &mnu_wk, &mnu0_nop4, &mnu0_undo, &mnu0_end}) {
    register_(*c);
  }
  for (ControlArray* a : {&cmd, &txtTT, &optPAGE, &txtCNT, &optKEY, &optMS, &optWK, &txtAUTO, &cboAUTO, &optAUTO,
                          &lblAUTO, &mnu0_page, &mnu0_btn, &mnu1_key, &mnu1_ms, &mnu1_wk}) {
    registerArray(*a);
  }
}

}  // namespace formix::app
