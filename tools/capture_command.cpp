// formix-tool capture PAGE.html
//
// Captures the facts of a page's controls as the browser extension tells them, with a headless
// chromium: a temporary copy of the page gets the extension's collector inlined (and a <base>
// that points back at the page's folder, so its styles and images load), chromium prints the DOM
// after the page loaded, and the collector's answer is cut out of it. Writes the "facts" answer
// the extension would send (bridge/README.md), for the top document only, as UTF-8 JSON to stdout.
// A page in UTF-8 is read as UTF-8 whatever it declares (a saved page often keeps the declaration
// of the encoding it was served in).
// FORMIX_CHROMIUM names another chromium program.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include <nlohmann/json.hpp>

#include "bridge/protocol.h"
#include "text/utf.h"
#include "tools/cli.h"
#include "tools/facts_script.h"

namespace formix::tool {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr std::string_view kBegin = "FORMIX-FACTS-BEGIN", kEnd = "FORMIX-FACTS-END";
constexpr std::chrono::seconds kChromiumTimeout{60};

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return s;
}

std::string percentEncoded(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' || c == '-' || c == '_' ||
        c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

// The page with a <base> towards its own folder, no Content-Security-Policy of its own (it
// would refuse the inlined collector), and the collector run once the page has loaded. The
// markers are put together by the script, so its own text never holds them.
std::string withCollector(const std::string& page, const fs::path& folder) {
  std::string out = page;
  const std::string folded = lower(page);
  // A page's own policy would keep the collector from running: it is turned into a plain attribute.
  for (size_t at = folded.rfind("http-equiv"); at != std::string::npos && at > 0; at = folded.rfind("http-equiv", at - 1)) {
    const size_t value = folded.find_first_not_of(" \t\r\n=\"'", at + 10);
    if (value != std::string::npos && folded.compare(value, 23, "content-security-policy") == 0) {
      out.replace(at, 10, "data-formx");
    }
  }
  const std::string base = "<base href=\"file://" + percentEncoded(folder.string()) + "/\">";
  const size_t head = lower(out).find("<head");
  const size_t headEnd = head == std::string::npos ? std::string::npos : out.find('>', head);
  if (headEnd != std::string::npos) out.insert(headEnd + 1, base);
  else out.insert(0, base);
  std::string script = "<script>\n";
  script += kFactsScript;
  script +=
      "\nwindow.addEventListener('load', () => setTimeout(() => {\n"
      "  let out;\n"
      "  try { out = JSON.stringify(formixFacts(1)); } catch (e) { out = JSON.stringify({ error: String(e && e.message) }); }\n"
      "  const holder = document.createElement('script');\n"
      "  holder.type = 'application/json';\n"
      "  holder.textContent = 'FORMIX-FACTS' + '-BEGIN' + out.replace(/</g, '\\\\u003c') + 'FORMIX-FACTS' + '-END';\n"
      "  document.documentElement.appendChild(holder);\n"
      "}, 0));\n</script>";
  // A page saved as UTF-8 may still declare the encoding it was served in: a byte-order mark
  // makes chromium read it as what it is. Text in another encoding keeps its own declaration.
  if (!out.starts_with("\xEF\xBB\xBF") && text::fromUtf8(out)) out.insert(0, "\xEF\xBB\xBF");
  const size_t bodyEnd = lower(out).rfind("</body");
  if (bodyEnd != std::string::npos) out.insert(bodyEnd, script);
  else out += script;
  return out;
}

// Runs chromium on the page and returns what it printed; nullopt with a reason on failure.
std::optional<std::string> dumpDom(const fs::path& page, const fs::path& profile, std::string& why) {
  const char* chosen = std::getenv("FORMIX_CHROMIUM");
  const std::string program = chosen && *chosen ? chosen : "chromium";
  std::vector<std::string> args = {program, "--headless", "--disable-gpu", "--no-first-run", "--disable-extensions",
                                   "--disable-background-networking", "--window-size=1280,1024",
                                   "--virtual-time-budget=5000", "--user-data-dir=" + profile.string(), "--dump-dom",
                                   "file://" + percentEncoded(page.string())};
  // Chromium refuses to run as root with its sandbox.
  if (::geteuid() == 0) args.insert(args.begin() + 1, "--no-sandbox");
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
    why = "cannot make a pipe";
    return std::nullopt;
  }
  const pid_t child = ::fork();
  if (child < 0) {
    why = "cannot start " + program;
    return std::nullopt;
  }
  if (child == 0) {
    ::setpgid(0, 0);
    ::dup2(pipeFds[1], STDOUT_FILENO);
    const int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
      ::dup2(null, STDIN_FILENO);
      ::dup2(null, STDERR_FILENO);
    }
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execvp(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  std::string out;
  const auto deadline = std::chrono::steady_clock::now() + kChromiumTimeout;
  bool timedOut = false;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      timedOut = true;
      break;
    }
    pollfd p{pipeFds[0], POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left.count())) < 0 && errno != EINTR) break;
    char buffer[65536];
    const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) break;
    out.append(buffer, static_cast<size_t>(n));
  }
  ::close(pipeFds[0]);
  // Chromium's helper processes run in its group: they end with it.
  ::kill(-child, timedOut ? SIGKILL : SIGTERM);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (timedOut) {
    why = program + " did not finish within " + std::to_string(kChromiumTimeout.count()) + " s";
    return std::nullopt;
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 127 && out.empty()) {
    why = "cannot run " + program;
    return std::nullopt;
  }
  return out;
}

// A scratch folder that is removed with everything in it when the command ends.
struct Scratch {
  fs::path path;
  Scratch() {
    std::string pattern = (fs::temp_directory_path() / "formix-capture-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path = pattern;
  }
  ~Scratch() {
    std::error_code ignored;
    if (!path.empty()) fs::remove_all(path, ignored);
  }
};

}  // namespace

int runCapture(const Args& args) {
  if (args.size() != 1 || args[0].empty() || args[0][0] == '-') return fail("usage: formix-tool capture PAGE.html");
  std::error_code error;
  const fs::path page = fs::absolute(args[0], error);
  std::ifstream in(page, std::ios::binary);
  if (error || !in || fs::is_directory(page, error)) return fail("cannot read " + args[0]);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return fail("cannot read " + args[0]);

  Scratch scratch;
  if (scratch.path.empty()) return fail("cannot make a temporary folder");
  const fs::path copy = scratch.path / "page.html";
  {
    std::ofstream out(copy, std::ios::binary);
    out << withCollector(bytes, page.parent_path());
    if (!out) return fail("cannot write a temporary copy of the page");
  }
  std::string why;
  const auto dom = dumpDom(copy, scratch.path / "profile", why);
  if (!dom) return fail(why);
  const size_t begin = dom->rfind(kBegin);
  const size_t end = dom->rfind(kEnd);
  if (begin == std::string::npos || end == std::string::npos || end < begin) {
    return fail("chromium gave no facts for " + args[0]);
  }
  json frame;
  try {
    frame = json::parse(dom->substr(begin + kBegin.size(), end - begin - kBegin.size()));
  } catch (const json::exception&) {
    return fail("chromium gave facts that are not JSON");
  }
  if (frame.contains("error")) return fail("the collector failed: " + frame["error"].dump());
  if (!frame.contains("origin") || !frame.contains("controls")) return fail("chromium gave incomplete facts");
  // The answer the extension would send for a page of this one document.
  const json message = {{"type", "facts"}, {"id", 1}, {"read", 1}, {"origin", frame["origin"]},
                        {"frames", {{{"frame", 0}, {"origin", frame["origin"]}, {"sharedAutofill", false},
                                     {"visible", true}, {"controls", frame["controls"]}}}}};
  const auto facts = bridge::decodePageFacts(message.dump(-1, ' ', false, json::error_handler_t::replace), &why);
  if (!facts) return fail("the facts are malformed: " + why);
  // One control to a line or so: a captured page reads well and compares well.
  std::cout << nlohmann::ordered_json::parse(bridge::encodeFactsAnswer(1, 1, *facts)).dump(1) << '\n';
  return std::cout ? 0 : fail("cannot write the facts");
}

}  // namespace formix::tool
