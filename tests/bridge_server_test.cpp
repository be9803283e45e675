// Formix's socket for the relay, the fact browsers over it with a stand-in extension, the relay
// itself, and the installer of host manifests.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>
#include <type_traits>

#include <nlohmann/json.hpp>

#include "app/main_window.h"
#include "bridge/bridge_browsers.h"
#include "bridge/bridge_server.h"
#include "bridge/integration_install.h"
#include "bridge/process_tree.h"
#include "bridge/relay/relay.h"
#include "platform/simulated/simulated_desktop.h"
#include "tests/test_support.h"
#include "text/utf.h"

namespace formix::testing {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;

int connectTo(const std::filesystem::path& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

void sendRaw(int fd, const std::string& bytes) { ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size())); }

// The next message on a socket within a second; nullopt when it closed or nothing came.
std::optional<std::string> receive(int fd, bridge::FrameReader& reader, std::chrono::milliseconds wait = 1000ms) {
  const auto until = std::chrono::steady_clock::now() + wait;
  for (;;) {
    if (auto m = reader.next()) return m;
    pollfd p{fd, POLLIN, 0};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return std::nullopt;
    char buffer[65536];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) return std::nullopt;
    reader.feed(std::string_view(buffer, static_cast<size_t>(n)));
  }
}

bool closedByPeer(int fd) {
  pollfd p{fd, POLLIN, 0};
  if (::poll(&p, 1, 1000) <= 0) return false;
  char c;
  return ::recv(fd, &c, 1, MSG_PEEK) == 0;
}

bool waitFor(const std::function<bool()>& condition) {
  for (int k = 0; k < 200; ++k) {
    if (condition()) return true;
    std::this_thread::sleep_for(5ms);
  }
  return false;
}

const std::string kHello = R"({"type":"hello","version":2,"browser":"chromium","extension":"1.0.0"})";

// A stand-in for the extension behind its relay: says hello, then answers each request with
// what `answer` returns (nothing for a null).
class FakeExtension {
 public:
  FakeExtension(const std::filesystem::path& socket, std::function<json(const json&)> answer)
      : fd_(connectTo(socket)), answer_(std::move(answer)) {
    sendRaw(fd_, bridge::frameMessage(kHello));
    thread_ = std::thread([this] { serve(); });
  }
  ~FakeExtension() { close(); }
  void close() {
    if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
    if (thread_.joinable()) thread_.join();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  std::vector<std::string> received() {
    std::lock_guard lock(mutex_);
    return types_;
  }
  json lastFill() {
    std::lock_guard lock(mutex_);
    return lastFill_;
  }

 private:
  void serve() {
    bridge::FrameReader reader(bridge::kMaxToBrowser);
    while (auto message = receive(fd_, reader, 5000ms)) {
      const json request = json::parse(*message);
      {
        std::lock_guard lock(mutex_);
        types_.push_back(request["type"]);
        if (request["type"] == "fill") lastFill_ = request;
      }
      if (!request.contains("id")) continue;
      json reply = answer_(request);
      if (reply.is_null()) continue;
      reply["id"] = request["id"];
      const std::string bytes = bridge::frameMessage(reply.dump());
      if (::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) <= 0) return;
    }
  }
  int fd_;
  std::function<json(const json&)> answer_;
  std::thread thread_;
  std::mutex mutex_;
  std::vector<std::string> types_;
  json lastFill_;
};

struct ServerTest : ::testing::Test {
  ScratchFolder folder;
  std::filesystem::path socket = folder / "formix/bridge.sock";
  bridge::BridgeServer server{socket};
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(server.start(&error)) << error;
  }
};

TEST_F(ServerTest, TheSocketIsTheUsersAlone) {
  struct stat info {};
  ASSERT_EQ(::stat(socket.parent_path().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  ASSERT_EQ(::stat(socket.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  // A second Formix does not take the socket of the running one.
  bridge::BridgeServer second(socket);
  std::string error;
  EXPECT_FALSE(second.start(&error));
  EXPECT_NE(error.find("another Formix"), std::string::npos) << error;

  // Another user of the machine cannot even reach it.
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) _exit(3);
    const int fd = connectTo(socket);
    _exit(fd < 0 ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "another user connected";
  EXPECT_TRUE(server.browsers().empty());
}

TEST_F(ServerTest, AFolderOfAnotherKindIsRefused) {
  ScratchFolder other;
  writeFile(other / "formix", "not a folder");
  bridge::BridgeServer refused(other / "formix/bridge.sock");
  std::string error;
  EXPECT_FALSE(refused.start(&error));
}

TEST_F(ServerTest, ABrowserCountsOnceItSaidHello) {
  const int fd = connectTo(socket);
  ASSERT_GE(fd, 0);
  bridge::FrameReader reader(bridge::kMaxToBrowser);
  std::this_thread::sleep_for(50ms);
  EXPECT_TRUE(server.browsers().empty());
  sendRaw(fd, bridge::frameMessage(kHello));
  const auto welcome = receive(fd, reader);
  ASSERT_TRUE(welcome);
  EXPECT_EQ(json::parse(*welcome)["type"], "welcome");
  ASSERT_EQ(server.browsers().size(), 1u);
  EXPECT_EQ(server.browserOf(server.browsers()[0]), "chromium");
  EXPECT_EQ(server.relayProcess(server.browsers()[0]), ::getpid());
  ::close(fd);
  EXPECT_TRUE(waitFor([&] { return server.browsers().empty(); }));
}

TEST_F(ServerTest, BadMessagesGetAnErrorOrTheConnectionClosed) {
  const int fd = connectTo(socket);
  bridge::FrameReader reader(bridge::kMaxToBrowser);
  sendRaw(fd, bridge::frameMessage(kHello));
  ASSERT_TRUE(receive(fd, reader));
  // Malformed and unexpected messages: an error answer, and the connection stays.
  for (const std::string message : {"{oops", R"({"type":"launch","id":1})", R"({"type":"filled","id":77,"applied":1,"skipped":0})"}) {
    sendRaw(fd, bridge::frameMessage(message));
  }
  auto first = receive(fd, reader), second = receive(fd, reader);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(json::parse(*first)["error"], "bad-message");
  EXPECT_EQ(json::parse(*second)["error"], "bad-message");
  EXPECT_FALSE(receive(fd, reader, 100ms)) << "an answer nobody asked for is dropped silently";
  EXPECT_EQ(server.browsers().size(), 1u);
  // An oversized message closes the connection before it is read.
  uint32_t huge = static_cast<uint32_t>(bridge::kMaxFromBrowser + 1);
  sendRaw(fd, std::string(reinterpret_cast<const char*>(&huge), 4) + "{}");
  EXPECT_TRUE(closedByPeer(fd));
  ::close(fd);
  // So does a hello of another protocol version, after saying why.
  const int old = connectTo(socket);
  bridge::FrameReader oldReader(bridge::kMaxToBrowser);
  sendRaw(old, bridge::frameMessage(R"({"type":"hello","version":1,"browser":"chromium","extension":"9"})"));
  const auto refusal = receive(old, oldReader);
  ASSERT_TRUE(refusal);
  EXPECT_EQ(json::parse(*refusal)["error"], "version");
  EXPECT_TRUE(closedByPeer(old));
  ::close(old);
  EXPECT_TRUE(waitFor([&] { return server.browsers().empty(); }));
}

TEST_F(ServerTest, ARequestEndsWithItsAnswerOrWhenTheBrowserGoes) {
  FakeExtension extension(socket, [](const json& r) -> json {
    if (r["type"] == "focus") return {{"type", "focused"}, {"window", 5}};
    return nullptr;  // never answers anything else
  });
  ASSERT_TRUE(waitFor([&] { return !server.browsers().empty(); }));
  const auto browser = server.browsers()[0];
  const uint64_t id = server.nextId();
  const auto answer = server.request(browser, id, bridge::encodeFocus(id), 1000ms);
  ASSERT_TRUE(answer);
  EXPECT_EQ(std::get<bridge::Focused>(*answer).window, 5);
  // No answer: the caller waits no longer than it said.
  const auto start = std::chrono::steady_clock::now();
  const uint64_t read = server.nextId();
  EXPECT_FALSE(server.request(browser, read, bridge::encodeCollect(read, 5), 150ms));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
  // The relay goes away while a request waits: it ends at once.
  std::thread closer([&] {
    std::this_thread::sleep_for(100ms);
    extension.close();
  });
  const auto before = std::chrono::steady_clock::now();
  const uint64_t again = server.nextId();
  EXPECT_FALSE(server.request(browser, again, bridge::encodeCollect(again, 5), 5000ms));
  EXPECT_LT(std::chrono::steady_clock::now() - before, 3000ms);
  closer.join();
}

TEST_F(ServerTest, ConnectionsThatSayNothingGiveTheirPlaceUp) {
  // As many silent connections as the server takes at once lock a relay out, for a while only.
  std::vector<int> silent;
  for (int k = 0; k < 16; ++k) silent.push_back(connectTo(socket));
  const int extra = connectTo(socket);
  EXPECT_TRUE(closedByPeer(extra));  // no place left
  ::close(extra);
  bool closed = false;
  for (int k = 0; k < 10 && !closed; ++k) closed = closedByPeer(silent[0]);  // up to ten seconds
  EXPECT_TRUE(closed);
  for (int fd : silent) {
    if (closed) {
      EXPECT_TRUE(closedByPeer(fd));
    }
    ::close(fd);
  }
  FakeExtension extension(socket, [](const json&) -> json { return nullptr; });
  EXPECT_TRUE(waitFor([&] { return server.browsers().size() == 1; }));
}

TEST_F(ServerTest, ALargeMessageIsTakenOnlyAsTheAnswerToARequest) {
  // The facts of a page of 3000 controls with long labels: about 2 MiB.
  json controls = json::array();
  for (int k = 0; k < 3000; ++k) {
    controls.push_back({{"control", k}, {"tag", "input"}, {"type", "text"}, {"label", std::string(200, 'x')},
                        {"before", std::string(200, 'x')}, {"after", std::string(200, 'x')}, {"visible", true},
                        {"enabled", true}, {"editable", true}});
  }
  const json facts = {{"type", "facts"}, {"read", 1}, {"origin", "https://a.example"},
                      {"frames", {{{"frame", 0}, {"origin", "https://a.example"}, {"visible", true}, {"controls", controls}}}}};
  std::string large = facts.dump();
  large.pop_back();
  large += R"(,"id":)";
  ASSERT_GT(large.size(), 2u * 1024 * 1024);
  // Unasked: the connection closes long before 2 MiB are read.
  const int fd = connectTo(socket);
  bridge::FrameReader reader(bridge::kMaxToBrowser);
  sendRaw(fd, bridge::frameMessage(kHello));
  ASSERT_TRUE(receive(fd, reader));
  const std::string unasked = bridge::frameMessage(large + "99}");
  ::send(fd, unasked.data(), unasked.size(), MSG_NOSIGNAL | MSG_DONTWAIT);  // what the socket takes
  pollfd p{fd, POLLIN, 0};
  ASSERT_EQ(::poll(&p, 1, 5000), 1);
  char c;
  EXPECT_LE(::recv(fd, &c, 1, 0), 0);  // closed (reset, since it left data unread)
  ::close(fd);
  EXPECT_TRUE(waitFor([&] { return server.browsers().empty(); }));
  // Asked for: the whole answer arrives.
  FakeExtension extension(socket, [&](const json& r) -> json {
    if (r["type"] == "collect") return json::parse(large + "0}");
    return nullptr;
  });
  ASSERT_TRUE(waitFor([&] { return server.browsers().size() == 1; }));
  const uint64_t id = server.nextId();
  const auto answer = server.request(server.browsers()[0], id, bridge::encodeCollect(id, 1), 5000ms);
  ASSERT_TRUE(answer);
  ASSERT_TRUE(std::holds_alternative<bridge::Facts>(*answer));
  EXPECT_EQ(std::get<bridge::Facts>(*answer).page.frames[0].controls.size(), 3000u);
}

// ---- The fact browsers over the bridge ----

// A page of one box, labelled as a family name's.
const json kFacts = {{"type", "facts"}, {"read", 3}, {"origin", "https://shop.example"},
                     {"frames", {{{"frame", 0}, {"origin", "https://shop.example"}, {"visible", true},
                                  {"controls", {{{"control", 0}, {"tag", "input"}, {"type", "text"}, {"name", "sei"},
                                                 {"label", "姓"}, {"rowHeader", "お名前"}, {"visible", true},
                                                 {"enabled", true}, {"editable", true}, {"form", 0}}}}}}}};

struct DocumentsTest : ServerTest {
  platform::SimulatedDesktop desktop;
  bridge::BridgeBrowsers documents{server, desktop, {1000ms, 300ms, 2ms, {}}};
  int notConnected = 0;
  static constexpr ports::WindowHandle kBrowser = 500;

  void SetUp() override {
    ServerTest::SetUp();
    desktop.addWindow({kBrowser, u"会員登録 - Chromium"});
    desktop.addWindow({600, u"メモ帳"});
    documents.onNotConnected = [this] { ++notConnected; };
  }

  // An extension whose focused window a marker finds (lookup() puts the marked title on a window);
  // its page is kFacts.
  std::function<json(const json&)> browserShowing() {
    return [this](const json& r) -> json {
      const std::string type = r["type"];
      if (type == "focus") return {{"type", "focused"}, {"window", 41}};
      if (type == "mark") {
        titles.push_back(text::fromUtf8Lossy(r["marker"].get<std::string>()) + u" 会員登録 - Chromium");
        return {{"type", "marked"}, {"window", 41}};
      }
      if (type == "unmark") return {{"type", "unmarked"}};
      if (type == "collect") return kFacts;
      if (type == "fill") return {{"type", "filled"}, {"applied", r["fills"].size()}, {"skipped", 0}};
      return nullptr;
    };
  }
  std::vector<std::u16string> titles;  // titles the stand-in browser asked for, in order

  // Runs a lookup while the desktop's window takes the title the browser set.
  std::vector<ports::WindowHandle> lookup(ports::WindowHandle shows) {
    std::atomic<bool> done = false;
    std::thread titler([&] {
      while (!done) {
        if (!titles.empty()) desktop.setWindowCaption(shows, titles.back());
        std::this_thread::sleep_for(1ms);
      }
    });
    auto found = documents.browserWindows();
    done = true;
    titler.join();
    return found;
  }
};

TEST_F(DocumentsTest, NoBrowserConnectedIsSaidOnce) {
  EXPECT_TRUE(documents.browserWindows().empty());
  EXPECT_TRUE(documents.browserWindows().empty());
  EXPECT_EQ(notConnected, 1);
}

TEST_F(DocumentsTest, TheWindowThatShowsTheMarkerIsTheBrowserAndIsKnownAfterwards) {
  FakeExtension extension(socket, browserShowing());
  ASSERT_TRUE(waitFor([&] { return !server.browsers().empty(); }));
  EXPECT_EQ(lookup(kBrowser), std::vector<ports::WindowHandle>{kBrowser});
  ASSERT_EQ(titles.size(), 1u);
  EXPECT_EQ(titles[0].substr(0, 8), u"[formix:");
  // The same browser window later: no marker any more.
  EXPECT_EQ(lookup(kBrowser), std::vector<ports::WindowHandle>{kBrowser});
  EXPECT_EQ(titles.size(), 1u);
  const auto types = extension.received();
  EXPECT_EQ(std::count(types.begin(), types.end(), "mark"), 1);
  EXPECT_EQ(std::count(types.begin(), types.end(), "unmark"), 1);
  EXPECT_EQ(notConnected, 0);
}

TEST_F(DocumentsTest, AMarkerThatShowsNowhereMeansNoBrowserWindow) {
  FakeExtension extension(socket, browserShowing());
  ASSERT_TRUE(waitFor([&] { return !server.browsers().empty(); }));
  EXPECT_TRUE(documents.browserWindows().empty());  // nobody puts the title on a window
  EXPECT_FALSE(documents.pageFacts(kBrowser));
}

TEST_F(DocumentsTest, AnAnswerOfTheWrongKindIsNoAnswer) {
  FakeExtension extension(socket, [](const json& r) -> json {
    if (r["type"] == "focus") return {{"type", "filled"}, {"applied", 0}, {"skipped", 0}};
    if (r["type"] == "mark") return {{"type", "unmarked"}};
    return nullptr;
  });
  ASSERT_TRUE(waitFor([&] { return !server.browsers().empty(); }));
  EXPECT_TRUE(documents.browserWindows().empty());
  EXPECT_FALSE(documents.pageFacts(kBrowser));
  EXPECT_EQ(notConnected, 0);
}

TEST_F(DocumentsTest, APageOfTodaysBrowsersIsNeverReadOrWrittenAsHtml) {
  FakeExtension extension(socket, browserShowing());
  ASSERT_TRUE(waitFor([&] { return !server.browsers().empty(); }));
  ASSERT_EQ(lookup(kBrowser).size(), 1u);
  // The bridge offers no HTML documents at all: nothing can read or write its pages as HTML.
  static_assert(!std::is_base_of_v<ports::HtmlDocuments, bridge::BridgeBrowsers>);
  EXPECT_TRUE(documents.pageFacts(kBrowser));
  const auto types = extension.received();
  EXPECT_EQ(std::count(types.begin(), types.end(), "collect"), 1);
}

TEST_F(DocumentsTest, TheWholeFormFillReachesTheBrowserThroughTheBridge) {
  FakeExtension extension(socket, browserShowing());
  ASSERT_TRUE(waitFor([&] { return !server.browsers().empty(); }));
  ports::Desktop ports = desktop.ports();
  ports::Desktop bridged = ports;
  bridged.factBrowsers = &documents;
  bridged.htmlDocuments = nullptr;
  ScratchFolder settings;
  desktop.setProgramFolder(text::fromUtf8Lossy(settings.path().string()));
  desktop.setUserName(u"taro");
  app::FrmMain frm(bridged);
  frm.Form_Load();
  frm.txtAUTO(0).setText(u"山田");
  desktop.addWindow({kBrowser, u"会員登録 - Chromium"});  // back in front of the bar's neighbours
  std::atomic<bool> done = false;
  std::thread titler([&] {
    while (!done) {
      if (!titles.empty()) desktop.setWindowCaption(kBrowser, titles.back());
      std::this_thread::sleep_for(1ms);
    }
  });
  frm.cmdPOST_Click();
  done = true;
  titler.join();
  EXPECT_TRUE(frm.cmdPOST.enabled());
  ASSERT_TRUE(extension.lastFill().contains("fills"));
  EXPECT_EQ(extension.lastFill()["fills"], json::parse(R"([{"frame":0,"control":0,"value":"山田"}])"));
  EXPECT_EQ(extension.lastFill()["read"], 3);
}

TEST_F(DocumentsTest, ABrowserThatStopsAnsweringIsNoBrowserAndNothingIsWritten) {
  auto extension = std::make_unique<FakeExtension>(socket, browserShowing());
  ASSERT_TRUE(waitFor([&] { return !server.browsers().empty(); }));
  ASSERT_EQ(lookup(kBrowser).size(), 1u);
  extension->close();
  EXPECT_FALSE(documents.pageFacts(kBrowser));
  EXPECT_FALSE(documents.applyFills(kBrowser, {fill::ControlFill{0, 0, fill::ControlFill::Kind::Value, u"山田", -1, u"", {}}}));
  ASSERT_TRUE(waitFor([&] { return server.browsers().empty(); }));
  EXPECT_TRUE(documents.browserWindows().empty());
  EXPECT_EQ(notConnected, 1);
}

// ---- Facts, fills, and the browser's window found by its process ----

// A browser whose relay runs under process 4242, which owns two windows.
struct ProcessDocumentsTest : ServerTest {
  platform::SimulatedDesktop desktop;
  static constexpr int64_t kBrowserProcess = 4242;
  std::function<int64_t(int64_t)> tree = [](int64_t pid) -> int64_t {
    return pid == ::getpid() ? kBrowserProcess : pid == kBrowserProcess ? 7 : 1;
  };
  bridge::BridgeBrowsers documents{server, desktop, {1000ms, 100ms, 2ms, tree}};
  std::u16string focusTitle = u"会員登録";
  json focusBounds = {{"left", 10}, {"top", 10}, {"width", 1050}, {"height", 1004}};
  std::atomic<int> marks = 0;
  std::mutex lock;
  json lastFill, lastUndo;

  void SetUp() override {
    ServerTest::SetUp();
    desktop.addWindow({600, u"メモ帳", true, ports::kStyleCaption, 0, false, 0, 0, 9000, 9000, 99});
    addBrowserWindow(501, u"別のページ - Chromium", 20);
    addBrowserWindow(500, u"会員登録 - Chromium", 10);
  }
  void addBrowserWindow(ports::WindowHandle handle, std::u16string title, double at) {
    desktop.addWindow({handle, std::move(title), true, ports::kStyleCaption, 0, false, at * 15, at * 15, 1050 * 15,
                       1004 * 15, kBrowserProcess});
  }

  std::function<json(const json&)> browser() {
    return [this](const json& r) -> json {
      const std::string type = r["type"];
      if (type == "focus") {
        json answer = {{"type", "focused"}, {"window", 41}, {"title", text::toUtf8(focusTitle)}};
        if (!focusBounds.is_null()) answer["bounds"] = focusBounds;
        return answer;
      }
      if (type == "mark") {
        ++marks;
        return {{"type", "marked"}, {"window", 41}};
      }
      if (type == "collect") {
        json name = {{"control", 0}, {"tag", "input"}, {"type", "text"}, {"name", "sei"}, {"rowHeader", "お名前"},
                     {"visible", true}, {"enabled", true}, {"editable", true}};
        return {{"type", "facts"}, {"read", 77}, {"origin", "http://127.0.0.1:8000"},
                {"frames", {{{"frame", 0}, {"origin", "http://127.0.0.1:8000"}, {"visible", true}, {"controls", {name}}}}}};
      }
      if (type == "fill") {
        std::lock_guard guard(lock);
        lastFill = r;
        return {{"type", "filled"}, {"applied", r["fills"].size() - 1}, {"skipped", 1}};
      }
      if (type == "undo") {
        std::lock_guard guard(lock);
        lastUndo = r;
        return {{"type", "undone"}, {"applied", 3}, {"skipped", 1}};
      }
      return nullptr;
    };
  }
};

TEST_F(ProcessDocumentsTest, TheBrowsersWindowIsFoundByItsProcessAndItsTabsTitle) {
  FakeExtension extension(socket, browser());
  ASSERT_TRUE(waitFor([&] { return !server.browsers().empty(); }));
  // Window 500 lies behind 501, and 600 in front belongs to another program.
  EXPECT_EQ(documents.browserWindows(), std::vector<ports::WindowHandle>{500});
  focusTitle = u"別のページ";
  EXPECT_EQ(documents.browserWindows(), std::vector<ports::WindowHandle>{500}) << "a known window is kept";
  EXPECT_EQ(marks, 0);
  // A title the desktop has not shown yet: the window that lies exactly where the browser says.
  bridge::BridgeBrowsers fresh{server, desktop, {1000ms, 100ms, 2ms, tree}};
  focusTitle = u"新しいタイトル";
  EXPECT_EQ(fresh.browserWindows(), std::vector<ports::WindowHandle>{500});
  EXPECT_EQ(marks, 0);
  // A minimised window is no match; the other window of the browser is not taken for it.
  desktop.setWindowVisible(500, false);
  focusTitle = u"会員登録";
  EXPECT_TRUE(documents.browserWindows().empty());
  EXPECT_EQ(marks, 1) << "with no window found, the marker is the way left";
}

TEST_F(ProcessDocumentsTest, TwoWindowsWithTheSameTitleAreToldApartByTheirBounds) {
  FakeExtension extension(socket, browser());
  ASSERT_TRUE(waitFor([&] { return !server.browsers().empty(); }));
  addBrowserWindow(502, u"会員登録 - Chromium", 300);  // in front
  EXPECT_EQ(documents.browserWindows(), std::vector<ports::WindowHandle>{500});
  bridge::BridgeBrowsers fresh{server, desktop, {1000ms, 100ms, 2ms, tree}};
  focusBounds = {{"left", 301}, {"top", 299}, {"width", 1050}, {"height", 1004}};
  EXPECT_EQ(fresh.browserWindows(), std::vector<ports::WindowHandle>{502});
  // Without bounds, the front-most of them.
  bridge::BridgeBrowsers unsure{server, desktop, {1000ms, 100ms, 2ms, tree}};
  focusBounds = nullptr;
  EXPECT_EQ(unsure.browserWindows(), std::vector<ports::WindowHandle>{502});
  EXPECT_EQ(marks, 0);
}

TEST_F(ProcessDocumentsTest, FactsAreReadAndFilledOnceThroughTheBridge) {
  FakeExtension extension(socket, browser());
  ASSERT_TRUE(waitFor([&] { return !server.browsers().empty(); }));
  EXPECT_FALSE(documents.pageFacts(500)) << "no lookup yet";
  ASSERT_EQ(documents.browserWindows().size(), 1u);
  EXPECT_FALSE(documents.applyFills(500, {})) << "nothing read yet";
  EXPECT_FALSE(documents.pageFacts(600));
  const auto facts = documents.pageFacts(500);
  ASSERT_TRUE(facts);
  ASSERT_EQ(facts->frames.size(), 1u);
  EXPECT_EQ(facts->frames[0].controls[0].rowHeader, u"お名前");
  std::vector<fill::ControlFill> fills(2);
  fills[0] = {0, 0, fill::ControlFill::Kind::Value, u"山田", -1, u"family name", {}};
  fills[1] = {0, 3, fill::ControlFill::Kind::Checked, u"", -1, u"gender", {}};
  EXPECT_FALSE(documents.applyFills(600, fills));
  EXPECT_EQ(documents.applyFills(500, fills), 1);
  EXPECT_EQ(documents.lastApply().sent, 2);
  EXPECT_EQ(documents.lastApply().skipped, 1);
  {
    std::lock_guard guard(lock);
    EXPECT_EQ(lastFill["read"], 77);
    EXPECT_EQ(lastFill["fills"][0], json::parse(R"({"frame":0,"control":0,"value":"山田"})"));
  }
  EXPECT_FALSE(documents.applyFills(500, fills)) << "a read is filled once";
}

TEST_F(ProcessDocumentsTest, AnUndoNamesTheBrowsersWindowAndNeedsNoRead) {
  FakeExtension extension(socket, browser());
  ASSERT_TRUE(waitFor([&] { return !server.browsers().empty(); }));
  EXPECT_FALSE(documents.undoLastFill(500)) << "no lookup yet";
  ASSERT_EQ(documents.browserWindows().size(), 1u);
  EXPECT_FALSE(documents.undoLastFill(600)) << "not a browser's window";
  EXPECT_EQ(documents.undoLastFill(500), 3);
  EXPECT_EQ(documents.lastUndo().skipped, 1);
  std::lock_guard guard(lock);
  EXPECT_EQ(lastUndo["window"], 41);
}

// Two profiles of one browser: two extensions whose relays share the browser's process, both
// naming the window in front. The one whose window has the focus (else the one that lost it last)
// is asked for the page.
TEST_F(ProcessDocumentsTest, TwoExtensionsOfOneBrowserAreToldApartByTheirFocus) {
  std::atomic<bool> secondFocused = true;
  std::atomic<int64_t> firstLost = 1000, secondLost = 2000;
  const auto profile = [&](int which) {
    return [&, which, inner = browser()](const json& r) -> json {
      json answer = inner(r);
      if (r["type"] == "focus") {
        answer["hasFocus"] = which == 2 && secondFocused;
        answer["focusLostAt"] = which == 1 ? firstLost.load() : secondLost.load();
      }
      if (r["type"] == "collect") answer["read"] = which;
      return answer;
    };
  };
  FakeExtension first(socket, profile(1));
  ASSERT_TRUE(waitFor([&] { return server.browsers().size() == 1; }));
  FakeExtension second(socket, profile(2));
  ASSERT_TRUE(waitFor([&] { return server.browsers().size() == 2; }));
  const auto readFrom = [&] {
    if (documents.browserWindows() != std::vector<ports::WindowHandle>{500}) return -1;
    const auto facts = documents.pageFacts(500);
    if (!facts) return -1;
    const auto types = second.received();
    return static_cast<int>(std::count(types.begin(), types.end(), "collect"));
  };
  EXPECT_EQ(readFrom(), 1) << "the focused one";
  secondFocused = false;
  EXPECT_EQ(readFrom(), 2) << "neither focused: the one that lost the focus last";
  firstLost = 3000;
  EXPECT_EQ(readFrom(), 2) << "the first one now";
  const auto types = first.received();
  EXPECT_EQ(std::count(types.begin(), types.end(), "collect"), 1);
}

// ---- A desktop that tells only which window has the focus (Wayland) ----

struct FocusDocumentsTest : ServerTest {
  platform::SimulatedDesktop desktop;
  std::atomic<ports::WindowHandle> front = 700;
  std::atomic<int64_t> frontSince = 0;
  bridge::BridgeBrowsers documents{server, desktop, {1000ms, 100ms, 2ms, {}}};
  int twoFocused = 0;

  void SetUp() override {
    ServerTest::SetUp();
    documents.focusedWindow = [this] { return bridge::BridgeBrowsers::FocusedWindow{front.load(), frontSince.load()}; };
    desktop.addWindow({701, u"foot"});
    desktop.addWindow({700, u"会員登録 - Chromium"});
    documents.onTwoFocused = [this] { ++twoFocused; };
  }
  // A browser showing `title`, whose window says `hasFocus` (null: an extension that does not say).
  static std::function<json(const json&)> browser(std::string title, json hasFocus, int64_t lostAt = 0) {
    return [title, hasFocus, lostAt](const json& r) -> json {
      const std::string type = r["type"];
      if (type == "focus") {
        json answer = {{"type", "focused"}, {"window", 41}, {"title", title}};
        if (!hasFocus.is_null()) answer["hasFocus"] = hasFocus;
        if (lostAt > 0) answer["focusLostAt"] = lostAt;
        return answer;
      }
      if (type == "mark") return {{"type", "marked"}, {"window", 41}};
      if (type == "collect") return kFacts;
      return nullptr;
    };
  }
  static long count(FakeExtension& extension, const char* type) {
    const auto types = extension.received();
    return std::count(types.begin(), types.end(), type);
  }
};

TEST_F(FocusDocumentsTest, TheBrowserThatSaysItHasTheFocusIsTheWindowInFront) {
  FakeExtension behind(socket, browser("別のページ", false));
  FakeExtension focused(socket, browser("会員登録", true));
  ASSERT_TRUE(waitFor([&] { return server.browsers().size() == 2; }));
  EXPECT_EQ(documents.browserWindows(), std::vector<ports::WindowHandle>{700});
  EXPECT_TRUE(documents.pageFacts(700));
  EXPECT_EQ(count(focused, "collect"), 1);
  EXPECT_EQ(count(behind, "collect"), 0);
  EXPECT_EQ(count(focused, "mark") + count(behind, "mark"), 0) << "no title is touched";
  EXPECT_EQ(twoFocused, 0);
  front = 0;
  EXPECT_TRUE(documents.browserWindows().empty());
}

TEST_F(FocusDocumentsTest, TwoBrowsersThatBothSayTheyHaveTheFocusAreRefusedAndSaid) {
  FakeExtension one(socket, browser("会員登録", true));
  FakeExtension other(socket, browser("会員登録", true));
  ASSERT_TRUE(waitFor([&] { return server.browsers().size() == 2; }));
  EXPECT_TRUE(documents.browserWindows().empty());
  EXPECT_EQ(twoFocused, 1);
  EXPECT_FALSE(documents.pageFacts(700));
  EXPECT_EQ(count(one, "collect") + count(other, "collect"), 0);
}

TEST_F(FocusDocumentsTest, NoBrowserThatSaysSoMeansTheProgramInFrontIsNoBrowser) {
  FakeExtension unfocused(socket, browser("会員登録", false));
  FakeExtension older(socket, browser("会員登録", nullptr));  // an extension from before the focus was told
  ASSERT_TRUE(waitFor([&] { return server.browsers().size() == 2; }));
  EXPECT_TRUE(documents.browserWindows().empty());
  EXPECT_EQ(twoFocused, 0);
  EXPECT_EQ(count(unfocused, "mark") + count(older, "mark"), 0);
}

// The bar was clicked (or the popup menu opened): Formix's own window has the focus, and the
// browser that lost it last is the window focused before it.
TEST_F(FocusDocumentsTest, WithFormixInFrontTheBrowserThatLostTheFocusLastIsTheWindowBeforeIt) {
  desktop.addWindow({702, u"Formix "});
  front = 702;
  auto left = std::make_unique<FakeExtension>(socket, browser("会員登録", false, 2000));
  FakeExtension earlier(socket, browser("会員登録", false, 1000));
  ASSERT_TRUE(waitFor([&] { return server.browsers().size() == 2; }));
  EXPECT_EQ(documents.browserWindows(), std::vector<ports::WindowHandle>{700});
  EXPECT_TRUE(documents.pageFacts(700));
  EXPECT_EQ(count(*left, "collect"), 1);
  EXPECT_EQ(count(earlier, "collect"), 0);
  // The desktop says when the bar took the focus: the browser lost it then, or it is not the one.
  frontSince = 2600;
  EXPECT_EQ(documents.browserWindows(), std::vector<ports::WindowHandle>{700});
  frontSince = 3100;
  EXPECT_TRUE(documents.browserWindows().empty()) << "it lost the focus to another program before";
  frontSince = 0;
  // A browser that says it has the focus while the bar has it is wrong.
  FakeExtension stale(socket, browser("別のページ", true));
  ASSERT_TRUE(waitFor([&] { return server.browsers().size() == 3; }));
  EXPECT_EQ(documents.browserWindows(), std::vector<ports::WindowHandle>{700});
  EXPECT_EQ(count(stale, "collect"), 0);
  // A terminal was focused between the browser and the bar: it is the window the person left.
  desktop.addWindow({701, u"foot"});
  desktop.addWindow({702, u"Formix "});
  EXPECT_TRUE(documents.browserWindows().empty());
  // Two browsers that lost the focus at one moment: neither is known to be the one.
  desktop.addWindow({700, u"会員登録 - Chromium"});
  desktop.addWindow({702, u"Formix menu"});
  left->close();
  ASSERT_TRUE(waitFor([&] { return server.browsers().size() == 2; }));
  FakeExtension same(socket, browser("会員登録", false, 1000));
  ASSERT_TRUE(waitFor([&] { return server.browsers().size() == 3; }));
  EXPECT_TRUE(documents.browserWindows().empty());
  EXPECT_EQ(twoFocused, 0);
}

// Under XWayland an X11 window in front is matched as on X11 (its process, a marker in its
// title), never by the browsers' word; those that say they lack the focus get no marker then,
// unless the bar has the focus (the browser behind it lost the focus to it).
TEST_F(FocusDocumentsTest, AnX11WindowInFrontIsMatchedAsOnX11AndUnfocusedBrowsersAreNotMarked) {
  std::atomic<bool> desktopMatches = true;
  documents.focusedWindow = [&] { return bridge::BridgeBrowsers::FocusedWindow{front.load(), 0, desktopMatches.load()}; };
  FakeExtension wayland(socket, browser("別のページ", false));
  FakeExtension stale(socket, browser("別のページ", true));
  FakeExtension x11(socket, browser("会員登録", true));
  ASSERT_TRUE(waitFor([&] { return server.browsers().size() == 3; }));
  EXPECT_TRUE(documents.browserWindows().empty()) << "no marker reached a title here";
  EXPECT_EQ(twoFocused, 0) << "two that say they have the focus are no refusal: the desktop decides";
  EXPECT_EQ(count(wayland, "mark"), 0);
  EXPECT_EQ(count(stale, "mark"), 1);
  EXPECT_EQ(count(x11, "mark"), 1);
  desktop.addWindow({702, u"Formix "});
  front = 702;
  EXPECT_TRUE(documents.browserWindows().empty());
  EXPECT_EQ(count(wayland, "mark"), 1);
  // The Wayland window in front: the browsers' word decides again.
  front = 700;
  desktopMatches = false;
  EXPECT_TRUE(documents.browserWindows().empty());
  EXPECT_EQ(twoFocused, 1);
}

TEST(BridgeProcesses, TheParentIsReadFromTheProcessesStatusLine) {
  EXPECT_EQ(bridge::parentInStat("1234 (chromium) S 1200 1234 1234 0 -1"), 1200);
  EXPECT_EQ(bridge::parentInStat("1234 (a (b) c) R 77 0"), 77);  // a name with blanks and parentheses
  EXPECT_EQ(bridge::parentInStat("1234 (x)"), 0);
  EXPECT_EQ(bridge::parentInStat("garbage"), 0);
  EXPECT_EQ(bridge::parentInStat("1 (x) S -5 0"), 0);
  EXPECT_EQ(bridge::parentProcess(::getpid()), ::getppid());
  EXPECT_EQ(bridge::parentProcess(-3), 0);
  // Nearest first, without process 1; a loop ends the walk.
  EXPECT_EQ(bridge::processAncestors(10, [](int64_t p) -> int64_t { return p == 10 ? 20 : p == 20 ? 1 : 0; }),
            (std::vector<int64_t>{10, 20}));
  EXPECT_EQ(bridge::processAncestors(10, [](int64_t p) -> int64_t { return p == 10 ? 20 : 10; }),
            (std::vector<int64_t>{10, 20}));
}

// ---- The relay ----

TEST(BridgeRelay, OnlyFormixsExtensionMayStartIt) {
  const std::string origin = "chrome-extension://" + std::string(bridge::kChromiumExtensionId) + "/";
  const char* chromium[] = {"formix-bridge", origin.c_str()};
  const char* firefox[] = {"formix-bridge", "/home/u/.mozilla/native-messaging-hosts/formix.bridge.json", "bridge@formix"};
  const char* stranger[] = {"formix-bridge", "chrome-extension://aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa/"};
  const char* strangerFox[] = {"formix-bridge", "/x.json", "other@example"};
  EXPECT_TRUE(bridge::callerIsFormixExtension(2, chromium));
  EXPECT_TRUE(bridge::callerIsFormixExtension(3, firefox));
  EXPECT_FALSE(bridge::callerIsFormixExtension(2, stranger));
  EXPECT_FALSE(bridge::callerIsFormixExtension(3, strangerFox));
  EXPECT_FALSE(bridge::callerIsFormixExtension(1, chromium));
}

struct RelayTest : ::testing::Test {
  int browserIn[2], browserOut[2], formix[2];
  std::thread relay;
  int status = -1;
  void SetUp() override {
    ASSERT_EQ(::pipe(browserIn), 0);
    ASSERT_EQ(::pipe(browserOut), 0);
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, formix), 0);
    relay = std::thread([this] { status = bridge::pump(browserIn[0], browserOut[1], formix[1]); });
  }
  void TearDown() override {
    for (int fd : {browserIn[1], formix[0]}) ::close(fd);
    if (relay.joinable()) relay.join();
    for (int fd : {browserIn[0], browserOut[0], browserOut[1], formix[1]}) ::close(fd);
  }
};

TEST_F(RelayTest, PassesWholeMessagesBothWaysAndEndsWhenASideCloses) {
  sendRaw(formix[0], bridge::frameMessage("{\"type\":\"focus\",\"id\":1}"));
  bridge::FrameReader toBrowser(bridge::kMaxToBrowser), toFormix(bridge::kMaxFromBrowser);
  EXPECT_EQ(receive(browserOut[0], toBrowser), "{\"type\":\"focus\",\"id\":1}");
  const std::string answer = bridge::frameMessage(std::string(200000, 'x'));
  ASSERT_EQ(::write(browserIn[1], answer.data(), answer.size()), static_cast<ssize_t>(answer.size()));
  EXPECT_EQ(receive(formix[0], toFormix)->size(), 200000u);
  ::close(browserIn[1]);
  browserIn[1] = ::dup(formix[0]);  // keeps TearDown's closes balanced
  relay.join();
  EXPECT_EQ(status, 0);
}

TEST_F(RelayTest, AMessageTooLargeForTheBrowserEndsTheRelay) {
  uint32_t tooLarge = static_cast<uint32_t>(bridge::kMaxToBrowser + 1);
  sendRaw(formix[0], std::string(reinterpret_cast<const char*>(&tooLarge), 4));
  relay.join();
  EXPECT_EQ(status, 1);
  bridge::FrameReader toBrowser(bridge::kMaxToBrowser);
  EXPECT_FALSE(receive(browserOut[0], toBrowser, 50ms));
}

// ---- Installing the host manifests ----

TEST(BridgeInstall, WritesOneManifestPerBrowserFamilyAndRemovesOnlyThose) {
  ScratchFolder home;
  std::filesystem::create_directories(home / ".config/chromium/NativeMessagingHosts");
  writeFile(home / ".config/chromium/NativeMessagingHosts/other.host.json", "{}");
  const auto steps = bridge::installBrowserIntegration(home.path(), "/usr/bin/formix-bridge");
  ASSERT_EQ(steps.size(), 6u);
  for (const auto& step : steps) EXPECT_EQ(step.outcome, bridge::InstallStep::Outcome::Written) << bridge::describe(step);
  for (const char* folder : {".config/chromium/NativeMessagingHosts", ".config/google-chrome/NativeMessagingHosts",
                             ".config/microsoft-edge/NativeMessagingHosts",
                             ".config/BraveSoftware/Brave-Browser/NativeMessagingHosts",
                             ".config/vivaldi/NativeMessagingHosts"}) {
    const json manifest = json::parse(readFile(home / folder / "formix.bridge.json"));
    EXPECT_EQ(manifest["name"], "formix.bridge");
    EXPECT_EQ(manifest["path"], "/usr/bin/formix-bridge");
    EXPECT_EQ(manifest["type"], "stdio");
    EXPECT_EQ(manifest["allowed_origins"], json::array({"chrome-extension://kpcajhppambjomnbnjdmeahmglfjkmnf/"}));
  }
  const json firefox = json::parse(readFile(home / ".mozilla/native-messaging-hosts/formix.bridge.json"));
  EXPECT_EQ(firefox["allowed_extensions"], json::array({"bridge@formix"}));
  EXPECT_FALSE(firefox.contains("allowed_origins"));
  // Installing again replaces the manifests in place.
  EXPECT_EQ(bridge::installBrowserIntegration(home.path(), "/opt/formix/formix-bridge")[0].outcome,
            bridge::InstallStep::Outcome::Written);
  EXPECT_EQ(json::parse(readFile(home / ".config/chromium/NativeMessagingHosts/formix.bridge.json"))["path"],
            "/opt/formix/formix-bridge");

  const auto removed = bridge::uninstallBrowserIntegration(home.path());
  for (const auto& step : removed) EXPECT_EQ(step.outcome, bridge::InstallStep::Outcome::Removed) << bridge::describe(step);
  EXPECT_FALSE(std::filesystem::exists(home / ".mozilla/native-messaging-hosts/formix.bridge.json"));
  EXPECT_TRUE(std::filesystem::exists(home / ".config/chromium/NativeMessagingHosts/other.host.json"));
  EXPECT_EQ(bridge::uninstallBrowserIntegration(home.path())[0].outcome, bridge::InstallStep::Outcome::Absent);
}

TEST(BridgeInstall, ARelativeRelayPathInstallsNothing) {
  ScratchFolder home;
  for (const auto& step : bridge::installBrowserIntegration(home.path(), "formix-bridge")) {
    EXPECT_EQ(step.outcome, bridge::InstallStep::Outcome::Failed);
  }
  EXPECT_TRUE(std::filesystem::is_empty(home.path()));
}

}  // namespace
}  // namespace formix::testing
