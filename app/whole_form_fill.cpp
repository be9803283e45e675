// The whole-form fill: the page of the browser under the bar is read, filled and written back.
#include "app/main_window.h"

namespace formix::app {

void FrmMain::cmdPOST_Click() {}

}  // namespace formix::app
