// Running session scripts from tests.
#pragma once

#include <sstream>
#include <stdexcept>
#include <string>

#include "app/scramble.h"
#include "tests/test_support.h"
#include "text/utf.h"
#include "tools/session_script.h"

namespace formix::testing {

// A text as the settings file stores it in section Strings.
inline std::string scrambled(std::u16string_view text) { return text::toUtf8(app::sEncodeText(text)); }

// A session on a simulated desktop whose settings folder is a scratch folder and whose user is
// "taro"; run() feeds it lines and returns what the queries printed.
class Session {
 public:
  Session() {
    script.runLine("desktop folder " + folder.path().string(), sink);
    script.runLine("desktop user taro", sink);
  }
  std::string run(const std::string& lines) {
    std::istringstream in(lines);
    std::ostringstream out, err;
    if (script.run(in, out, err) != 0) throw std::runtime_error(err.str());
    return out.str();
  }
  // The one error line that running `lines` ends with; "" when they all ran.
  std::string error(const std::string& lines) {
    std::istringstream in(lines);
    std::ostringstream out, err;
    script.run(in, out, err);
    return err.str();
  }
  std::filesystem::path settingsFile() const { return folder / "taro.ini"; }

  ScratchFolder folder;
  tool::SessionScript script;

 private:
  std::ostringstream sink;
};

}  // namespace formix::testing
