#include "tools/session_script.h"

#include <chrono>
#include <cstdio>
#include <sstream>

#include "app/atomic_file.h"
#include "bridge/protocol.h"
#include "text/utf.h"
#include "tools/settings_json.h"

namespace formix::tool {
namespace {

constexpr uint32_t kLeftButtonUp = 0x202;

long number(const std::string& token, const char* what) {
  try {
    size_t used = 0;
    const long v = std::stol(token, &used, 0);
    if (used == token.size()) return v;
  } catch (const std::exception&) {
  }
  throw ScriptError(std::string(what) + " must be a number, not '" + token + "'");
}

std::string escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\\': out += "\\\\"; break;
      default: out.push_back(c);
    }
  }
  return out;
}

// A UTF-8 HTML file for a simulated browser.
std::u16string htmlFile(const std::string& path) {
  const auto bytes = app::readWholeFile(path);
  if (!bytes) throw ScriptError("cannot read '" + path + "'");
  auto html = text::fromUtf8(*bytes);
  if (!html) throw ScriptError("'" + path + "' is not valid UTF-8");
  return *html;
}

// YYYY-MM-DD, or YYYY-MM-DDTHH:MM:SS when `withTime`.
ports::LocalDateTime dateTime(const std::string& token, bool withTime) {
  ports::LocalDateTime t;
  char tail = 0;
  const int fields = withTime ? std::sscanf(token.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &t.year, &t.month, &t.day,
                                            &t.hour, &t.minute, &t.second, &tail)
                              : std::sscanf(token.c_str(), "%4d-%2d-%2d%c", &t.year, &t.month, &t.day, &tail);
  const std::chrono::year_month_day ymd{std::chrono::year{t.year}, std::chrono::month(static_cast<unsigned>(t.month)),
                                        std::chrono::day(static_cast<unsigned>(t.day))};
  if (fields != (withTime ? 6 : 3) || !ymd.ok() || t.hour > 23 || t.minute > 59 || t.second > 59 || t.hour < 0 ||
      t.minute < 0 || t.second < 0) {
    throw ScriptError("not a valid " + std::string(withTime ? "date and time" : "date") + ": '" + token + "'");
  }
  return t;
}

uint32_t messageNumber(const std::string& token) {
  if (token == "rbuttondown") return 0x204;
  if (token == "rbuttonup") return 0x205;
  if (token == "mbuttondown") return 0x207;
  if (token == "mbuttonup") return 0x208;
  return static_cast<uint32_t>(number(token, "a message"));
}

void expectArgs(const std::vector<std::string>& args, size_t count, const char* usage) {
  if (args.size() != count) throw ScriptError(std::string("usage: ") + usage);
}

}  // namespace

std::vector<std::string> tokenize(const std::string& line) {
  std::vector<std::string> tokens;
  size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
      ++i;
      continue;
    }
    std::string token;
    if (line[i] == '"') {
      for (++i;; ++i) {
        if (i >= line.size()) throw ScriptError("unclosed quote");
        if (line[i] == '"') break;
        if (line[i] == '\\' && i + 1 < line.size()) {
          const char next = line[++i];
          token.push_back(next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : next);
        } else {
          token.push_back(line[i]);
        }
      }
      ++i;
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') token.push_back(line[i++]);
    }
    tokens.push_back(std::move(token));
  }
  return tokens;
}

SessionScript::SessionScript() : ports_(desktop_.ports()) {
  desktop_.mainWindowInput = [this](uint32_t message, int x, int y) {
    if (!program_ || !program_->running() || message != kLeftButtonUp) return;
    const double twips = desktop_.twipsPerPixelX();
    try {
      program_->mouseUp(program_->frmMain, app::kLeftButton, x * twips, y * twips);
    } catch (const app::ProgramEnded&) {
    }
  };
}

app::FrmMain& SessionScript::running() {
  if (!program_) throw ScriptError("Formix has not been started (use start)");
  if (!program_->running()) throw ScriptError("Formix has ended");
  return *program_;
}

app::Control& SessionScript::control(const std::string& ref) {
  if (!program_) throw ScriptError("Formix has not been started (use start)");
  std::string name = ref;
  int index = -1;
  if (const size_t open = ref.find('('); open != std::string::npos) {
    if (ref.back() != ')') throw ScriptError("unknown control '" + ref + "'");
    name = ref.substr(0, open);
    index = static_cast<int>(number(ref.substr(open + 1, ref.size() - open - 2), "an index"));
  }
  app::Control* found = program_->findControl(name, index);
  if (found == nullptr) throw ScriptError("unknown control '" + ref + "'");
  return *found;
}

std::filesystem::path SessionScript::settingsFile() {
  if (program_) return program_->settingsPath();
  const auto path = app::settingsFilePath(desktop_.programFolder(), app::sGetUserName(desktop_), u'/');
  return text::toUtf8(path);
}

void SessionScript::desktopCommand(const std::vector<std::string>& args) {
  if (args.size() < 2) throw ScriptError("usage: desktop SETTING ...");
  const std::string& what = args[1];
  if (what == "screen") {
    expectArgs(args, 4, "desktop screen W H");
    desktop_.setScreenPixels(static_cast<int>(number(args[2], "width")), static_cast<int>(number(args[3], "height")));
  } else if (what == "user") {
    expectArgs(args, 3, "desktop user NAME");
    desktop_.setUserName(text::fromUtf8Lossy(args[2]));
  } else if (what == "no-user") {
    desktop_.setUserName(std::nullopt);
  } else if (what == "folder") {
    expectArgs(args, 3, "desktop folder DIR");
    desktop_.setProgramFolder(text::fromUtf8Lossy(args[2]));
  } else if (what == "window") {
    if (args.size() < 4) throw ScriptError("usage: desktop window HWND \"TITLE\" [topmost] [nocaption] [hidden]");
    platform::SimulatedDesktop::Window w;
    w.handle = static_cast<ports::WindowHandle>(number(args[2], "a window handle"));
    w.title = text::fromUtf8Lossy(args[3]);
    for (size_t i = 4; i < args.size(); ++i) {
      if (args[i] == "topmost") w.exStyle |= ports::kExStyleTopmost;
      else if (args[i] == "nocaption") w.style &= ~ports::kStyleCaption;
      else if (args[i] == "hidden") w.visible = false;
      else throw ScriptError("unknown window flag '" + args[i] + "'");
    }
    desktop_.addWindow(std::move(w));
  } else if (what == "browser") {
    expectArgs(args, 5, "desktop browser HWND \"TITLE\" FILE");
    platform::SimulatedDesktop::Window w;
    w.handle = static_cast<ports::WindowHandle>(number(args[2], "a window handle"));
    w.title = text::fromUtf8Lossy(args[3]);
    desktop_.addBrowser(std::move(w), htmlFile(args[4]));
  } else if (what == "frame") {
    expectArgs(args, 4, "desktop frame HWND FILE");
    const auto handle = static_cast<ports::WindowHandle>(number(args[2], "a window handle"));
    if (desktop_.documentHtml(handle, ports::HtmlDocuments::kTopDocument) == std::nullopt) {
      throw ScriptError("no browser window " + args[2]);
    }
    desktop_.addFrame(handle, htmlFile(args[3]));
  } else if (what == "fact-browser") {
    expectArgs(args, 5, "desktop fact-browser HWND \"TITLE\" FACTS.json");
    const auto bytes = app::readWholeFile(args[4]);
    if (!bytes) throw ScriptError("cannot read '" + args[4] + "'");
    std::string why;
    auto page = bridge::decodePageFacts(*bytes, &why);
    if (!page) throw ScriptError("'" + args[4] + "' holds no page facts: " + why);
    platform::SimulatedDesktop::Window w;
    w.handle = static_cast<ports::WindowHandle>(number(args[2], "a window handle"));
    w.title = text::fromUtf8Lossy(args[3]);
    desktop_.addWindow(std::move(w));
    desktop_.factBrowsers().showPage(static_cast<ports::WindowHandle>(number(args[2], "a window handle")), std::move(*page));
  } else if (what == "edit") {
    expectArgs(args, 6, "desktop edit HWND FRAME CONTROL \"TEXT\"");
    if (!desktop_.factBrowsers().edit(static_cast<ports::WindowHandle>(number(args[2], "a window handle")),
                                      number(args[3], "a frame"), static_cast<int>(number(args[4], "a control")),
                                      text::fromUtf8Lossy(args[5]))) {
      throw ScriptError("no such control");
    }
  } else if (what == "today" || what == "now") {
    expectArgs(args, 3, what == "today" ? "desktop today YYYY-MM-DD" : "desktop now YYYY-MM-DDTHH:MM:SS");
    desktop_.setClock(dateTime(args[2], what == "now"));
  } else if (what == "send") {
    if (args.size() != 4 && !(args.size() == 5 && args[4] == "ctrl")) {
      throw ScriptError("usage: desktop send HWND MESSAGE [ctrl]");
    }
    desktop_.retrieveMessage(static_cast<ports::WindowHandle>(number(args[2], "a window handle")),
                             messageNumber(args[3]), args.size() == 5);
  } else if (what == "capture") {
    expectArgs(args, 5, "desktop capture HWND EXSTYLE STYLE");
    desktop_.setCapture(static_cast<ports::WindowHandle>(number(args[2], "a window handle")),
                        static_cast<int32_t>(number(args[3], "an extended style")),
                        static_cast<int32_t>(number(args[4], "a style")));
  } else if (what == "another-instance") {
    desktop_.setAnotherInstance(true);
  } else if (what == "hook-fails") {
    desktop_.setHookRefused(true);
  } else if (what == "hook-missing") {
    desktop_.setHookMissing(true);
  } else if (what == "program") {
    expectArgs(args, 3, "desktop program \"COMMAND LINE\"");
    desktop_.addProgram(text::fromUtf8Lossy(args[2]));
  } else {
    throw ScriptError("unknown desktop setting '" + what + "'");
  }
}

namespace {

// A user can act only on a control that is shown and enabled, in a panel that is shown and
// enabled, on a window that is shown. The reason it cannot, or "" when it can.
std::string unreachable(const app::Control& control) {
  for (const app::Control* c = &control; c != nullptr && c->kind() != app::ControlKind::Menu; c = c->container()) {
    const std::string who = c == &control ? "it" : c->displayName();
    if (!c->visible()) return who + " is hidden";
    if (!c->enabled()) return who + " is disabled";
  }
  return "";
}

// The control that an event command names, refused when a user could not reach it.
app::Control& reachable(app::Control& control, const std::string& command) {
  const std::string why = unreachable(control);
  if (!why.empty()) throw ScriptError("cannot " + command + " " + control.displayName() + ": " + why);
  return control;
}

}  // namespace

void SessionScript::runLine(const std::string& line, std::ostream& out) {
  const std::vector<std::string> args = tokenize(line);
  if (args.empty() || args[0].front() == '#') return;
  const std::string& command = args[0];
  try {
    if (command == "desktop") {
      desktopCommand(args);
    } else if (command == "start") {
      expectArgs(args, 1, "start");
      if (program_ && program_->running()) throw ScriptError("Formix is already running");
      program_.reset();
      desktop_.resetProcess();  // the same desktop, a new process
      program_ = std::make_unique<app::FrmMain>(ports_);
      program_->Form_Load();
    } else if (command == "close") {
      expectArgs(args, 1, "close");
      running().closeWindow();
    } else if (command == "click" || command == "mousedown" || command == "mouseup" || command == "focus" ||
               command == "blur") {
      expectArgs(args, 2, (command + " CONTROL").c_str());
      app::FrmMain& program = running();
      app::Control& c = command == "blur" || command == "focus" ? control(args[1]) : reachable(control(args[1]), command);
      if (command == "click") program.click(c);
      else if (command == "mousedown") program.mouseDown(c);
      else if (command == "mouseup") program.mouseUp(c);
      else if (command == "focus") program.setFocus(c);
      else program.blur(c);
    } else if (command == "key" || command == "keypress") {
      expectArgs(args, 3, (command + " CONTROL CODE").c_str());
      app::FrmMain& program = running();
      app::Control& c = reachable(control(args[1]), command);
      const int code = static_cast<int>(number(args[2], "a key code"));
      if (command == "key") program.keyDown(c, code);
      else program.keyPress(c, code);
    } else if (command == "text") {
      expectArgs(args, 3, "text CONTROL \"TEXT\"");
      app::FrmMain& program = running();
      program.editText(reachable(control(args[1]), command), text::fromUtf8Lossy(args[2]));
    } else if (command == "drop") {
      if (args.size() < 2) throw ScriptError("usage: drop CONTROL [\"PATH\" ...]");
      app::FrmMain& program = running();  // files dragged from a file manager and dropped
      std::vector<std::u16string> files;
      for (size_t i = 2; i < args.size(); ++i) files.push_back(text::fromUtf8Lossy(args[i]));
      program.dropFiles(reachable(control(args[1]), command), files);
    } else if (command == "tray") {
      expectArgs(args, 2, "tray MESSAGE");
      app::FrmMain& program = running();
      const double x = static_cast<double>(number(args[1], "a mouse message")) * desktop_.twipsPerPixelX();
      program.mouseDown(program.frmMain, app::kMiddleButton, x, 0);
    } else if (command == "menu") {
      expectArgs(args, 2, "menu ITEM");
      app::FrmMain& program = running();
      app::Control& item = control(args[1]);
      if (item.kind() != app::ControlKind::Menu) throw ScriptError("'" + args[1] + "' is not a menu item");
      program.chooseMenuItem(item);
    } else if (command == "post") {
      expectArgs(args, 3, "post X Y");
      running();  // a left-button-up on the main window's client area, as the hook library posts it
      desktop_.postMessage(platform::SimulatedDesktop::kMainHandle, kLeftButtonUp, static_cast<int>(number(args[1], "x")),
                                static_cast<int>(number(args[2], "y")));
    } else if (command == "get-html") {
      if (args.size() != 2 && args.size() != 3) throw ScriptError("usage: get-html HWND [FRAME]");
      const auto handle = static_cast<ports::WindowHandle>(number(args[1], "a window handle"));
      const int frame = args.size() == 3 ? static_cast<int>(number(args[2], "a frame number"))
                                         : ports::HtmlDocuments::kTopDocument;
      const auto html = desktop_.documentHtml(handle, frame);
      if (!html) throw ScriptError("no such document");
      out << text::toUtf8(*html) << '\n';
    } else if (command == "get-facts") {
      expectArgs(args, 2, "get-facts HWND");
      const auto* page = desktop_.factBrowsers().page(static_cast<ports::WindowHandle>(number(args[1], "a window handle")));
      if (page == nullptr) throw ScriptError("no such browser");
      // Each control as a person sees it: its name, text, check and selection.
      for (const fill::FrameFacts& frame : page->frames) {
        for (const fill::ControlFacts& c : frame.controls) {
          out << frame.frame << '/' << c.control << ' ' << text::toUtf8(c.name) << "=\"" << escaped(text::toUtf8(c.value)) << '"';
          if (c.checked) out << " checked";
          for (size_t k = 0; k < c.options.size(); ++k) {
            if (c.options[k].selected) out << " option " << k;
          }
          out << '\n';
        }
      }
    } else if (command == "move") {
      expectArgs(args, 3, "move LEFT TOP");
      app::FrmMain& program = running();  // the user drags the window (twips)
      program.frmMain.setLeft(static_cast<double>(number(args[1], "left")));
      program.frmMain.setTop(static_cast<double>(number(args[2], "top")));
    } else if (command == "wait") {
      expectArgs(args, 2, "wait MILLISECONDS");
      desktop_.advance(static_cast<double>(number(args[1], "a time")));
    } else if (command == "get") {
      expectArgs(args, 2, "get CONTROL.PROPERTY");
      const size_t dot = args[1].rfind('.');
      if (dot == std::string::npos) throw ScriptError("usage: get CONTROL.PROPERTY");
      const app::Control& c = control(args[1].substr(0, dot));
      out << args[1] << '=' << escaped(c.propertyText(args[1].substr(dot + 1))) << '\n';
    } else if (command == "file") {
      expectArgs(args, 1, "file");
      const auto bytes = app::readWholeFile(settingsFile());
      out << (bytes ? settingsJson(*bytes) : "(no settings file)") << '\n';
    } else if (command == "log") {
      expectArgs(args, 1, "log");
      for (const auto& entry : desktop_.takeLog()) out << entry << '\n';
    } else {
      throw ScriptError("unknown command '" + command + "'");
    }
    // Messages posted meanwhile (hook reports) are handled before the next line, as the message
    // loop would.
    desktop_.pumpMessages();
  } catch (const app::ProgramEnded&) {
    // The process ended inside the handler, as the program intends.
  } catch (const app::StepError& e) {
    throw ScriptError(e.what());
  }
}

int SessionScript::run(std::istream& in, std::ostream& out, std::ostream& err) {
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    try {
      runLine(line, out);
    } catch (const ScriptError& e) {
      out.flush();
      err << "formix-tool: line " << number << ": " << e.what() << '\n';
      return 2;
    }
  }
  return 0;
}

}  // namespace formix::tool
