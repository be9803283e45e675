// The session language: runs Formix on the simulated desktop from a script, one command per line.
//
//   desktop screen W H | user NAME | no-user | folder DIR | window HWND "TITLE" [topmost]
//           [nocaption] [hidden] | browser HWND "TITLE" FILE | frame HWND FILE |
//           fact-browser HWND "TITLE" FACTS.json | edit HWND FRAME CONTROL "TEXT" | today DATE |
//           now DATE-TIME | send HWND MSG [ctrl] | capture HWND EXSTYLE STYLE |
//           another-instance | hook-fails | hook-missing | program "CMD"
//   start | close | click C | mousedown C | mouseup C | focus C | blur C | key C VK |
//   keypress C CODE | text C "TEXT" | drop C ["PATH"...] | tray MSG | menu ITEM | post X Y |
//   move LEFT TOP | wait MS
//   get C.Property | get-html HWND [K] | get-facts HWND | file | log
//
// Tokens are separated by blanks; a token in double quotes may hold blanks and the escapes \",
// \\, \n, \r and \t. C is a control name with an optional index in parentheses (txtAUTO(3), frmMain).
// Lines starting with '#' are comments.
#pragma once

#include <istream>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "platform/simulated/simulated_desktop.h"

namespace formix::tool {

class ScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class SessionScript {
 public:
  SessionScript();

  // Runs one line; query output goes to `out`, one line per printed item. ScriptError for an
  // unknown command or control, or arguments that do not fit.
  void runLine(const std::string& line, std::ostream& out);

  // Runs a whole script. On the first error prints "formix-tool: line N: MESSAGE" on `err` and
  // returns 2; otherwise 0.
  int run(std::istream& in, std::ostream& out, std::ostream& err);

  platform::SimulatedDesktop& desktop() { return desktop_; }
  // The ports the program is given at "start"; a test may put ports of its own in them first.
  ports::Desktop& ports() { return ports_; }
  app::FrmMain* program() { return program_.get(); }

 private:
  app::Control& control(const std::string& ref);
  app::FrmMain& running();
  void desktopCommand(const std::vector<std::string>& args);
  std::filesystem::path settingsFile();

  platform::SimulatedDesktop desktop_;
  ports::Desktop ports_;
  std::unique_ptr<app::FrmMain> program_;
};

// Splits a script line into tokens (quotes and escapes resolved). ScriptError on an open quote.
std::vector<std::string> tokenize(const std::string& line);

}  // namespace formix::tool
