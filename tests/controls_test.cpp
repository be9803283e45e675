// Controls as plain objects: the rules a desktop's widgets would enforce.
#include <gtest/gtest.h>

#include "app/main_window.h"
#include "platform/simulated/simulated_desktop.h"

namespace formix::app {
namespace {

struct Model {
  platform::SimulatedDesktop desktop;
  ports::Desktop ports = desktop.ports();
  FrmMain form{ports};
};

TEST(Controls, OptionButtonsOfOneContainerExcludeEachOther) {
  Model m;
  m.form.optMS(3).setValue(1);
  m.form.optMS(1).setValue(1);
  EXPECT_EQ(m.form.optMS(3).value(), 0);
  EXPECT_EQ(m.form.optMS(1).value(), 1);
  EXPECT_EQ(m.form.optKEY(0).value(), 0);  // another frame, another group
  m.form.optAUTO(1).setValue(1);
  EXPECT_EQ(m.form.optAUTO(0).value(), 0);
}

TEST(Controls, RefusedValuesAndMissingElementsThrowStepError) {
  Model m;
  EXPECT_THROW(m.form.chkTRAY.setValue(5), StepError);
  EXPECT_NO_THROW(m.form.chkTRAY.setValue(2));  // grayed is a check box value
  EXPECT_THROW(m.form.cboAUTO(0).setListIndex(0), StepError);  // the list is still empty
  EXPECT_THROW(m.form.optMS(5), StepError);
  EXPECT_THROW(m.form.optMS.atNumber(-0.6), StepError);
  EXPECT_EQ(&m.form.optMS.atNumber(2.5), &m.form.optMS(2));  // an index rounds half to even
  EXPECT_THROW(m.form.setFocus(m.form.txtAUTO(0)), StepError);  // the form is not shown yet
}

TEST(Controls, AViewSeesEveryChangeAndTheFormsWindowFollows) {
  Model m;
  std::vector<std::string> seen;
  m.form.onPropertyChanged = [&](Control& c, std::string_view property) {
    seen.push_back(c.displayName() + "." + std::string(property));
  };
  m.form.txtAUTO(3).setText(u"たろう");
  m.form.frmMain.setCaption(u"Formix ");
  m.form.frmMain.setVisible(true);
  m.form.chkPOST.setValue(1);  // a check box's Click runs when its value changes
  EXPECT_EQ(seen[0], "txtAUTO(3).Text");
  EXPECT_EQ(m.desktop.windowText(m.form.hWnd), u"Formix ");
  EXPECT_EQ(m.desktop.isWindowVisible(m.form.hWnd), 1);
  EXPECT_TRUE(std::find(seen.begin(), seen.end(), "frPOST.Visible") != seen.end());
  EXPECT_EQ(m.form.frmMain.width(), kWideWidth);
  EXPECT_EQ(m.form.findControl("mnu1_ms", 4), &m.form.mnu1_ms(4));
  EXPECT_EQ(m.form.findControl("cmdPOST", 0), nullptr);
}

}  // namespace
}  // namespace formix::app
