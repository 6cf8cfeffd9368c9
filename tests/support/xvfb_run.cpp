#include "tests/support/xvfb_run.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <utility>

#include "tests/support/x_hand.h"

namespace test {

std::string ReadTextFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

Picture XvfbShot::Window() const {
  Picture window;
  window.width = width;
  window.height = height;
  window.rgb.reserve(static_cast<size_t>(width) * height);
  for (int row = 0; row < height; ++row)
    for (int col = 0; col < width; ++col) window.rgb.push_back(screen.At(x + col, y + row));
  return window;
}

int XvfbShot::DifferingPixels() const {
  int differing = 0;
  for (int row = std::max(0, -y); row < height && y + row < screen.height; ++row)
    for (int col = std::max(0, -x); col < width && x + col < screen.width; ++col)
      differing += screen.At(x + col, y + row) != shown.At(col, row) ? 1 : 0;
  return differing;
}

// ---- XvfbSession ----

namespace {

// A program started through the shell in a folder (where its redirections go too): the shell says
// its process id first and then becomes the program; what it prints comes through the pipe.
struct Started {
  FILE* out = nullptr;
  pid_t pid = -1;
};

Started StartProgram(const std::filesystem::path& folder, const std::string& command) {
  Started p;
  p.out = popen(("cd '" + folder.string() + "' && echo $$ && exec " + command).c_str(), "r");
  std::string first;
  char c = 0;
  while (p.out != nullptr && read(fileno(p.out), &c, 1) == 1 && c != '\n') first += c;
  p.pid = first.empty() ? -1 : std::atoi(first.c_str());
  return p;
}

// Ends a program started here; its exit status.
int EndProgram(Started* p, bool kill_it) {
  if (p->out == nullptr) return -1;
  if (kill_it && p->pid > 0) kill(p->pid, SIGTERM);
  const int status = pclose(p->out);
  p->out = nullptr;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The next line a program prints, or false at its end or once timeout_ms have passed.
bool ReadLine(FILE* out, std::string* pending, std::string* line, int timeout_ms) {
  for (;;) {
    const size_t end = pending->find('\n');
    if (end != std::string::npos) {
      *line = pending->substr(0, end);
      pending->erase(0, end + 1);
      return true;
    }
    pollfd ready{fileno(out), POLLIN, 0};
    char buffer[256];
    if (poll(&ready, 1, timeout_ms) <= 0) return false;
    const ssize_t got = read(fileno(out), buffer, sizeof buffer);
    if (got <= 0) return false;
    pending->append(buffer, static_cast<size_t>(got));
  }
}

// The number after "label" in a tool's output, or -1.
int Field(const std::string& text, const std::string& label) {
  const size_t at = text.find(label);
  return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + label.size());
}

}  // namespace

struct XvfbSession::Impl {
  Started server, nested, window_manager, client;
  std::string display;
  // "env ..." with the display and the session's own folders, then a space; the same as "export ...; ".
  std::string environment;
  std::string exports;
  std::string pending;
  int answers = -1;  // the client's stdin, the fifo "pipe": it ends when the test does
  bool window_manager_paused = false;
  std::unique_ptr<XHand> hand;  // on the display, from the first gesture on
};

XvfbSession::XvfbSession() : impl_(std::make_unique<Impl>()) { signal(SIGPIPE, SIG_IGN); }

XvfbSession::~XvfbSession() {
  impl_->hand.reset();
  if (impl_->answers >= 0) close(impl_->answers);
  EndProgram(&impl_->client, true);
  PauseWindowManager(false);
  // The server first: the window manager then ends by itself (xfwm4's session bus with it).
  EndProgram(&impl_->nested, true);
  EndProgram(&impl_->server, true);
  EndProgram(&impl_->window_manager, true);
}

bool XvfbSession::Available(const std::string& window_manager, bool resizable) {
  std::string tools = resizable ? "Xvfb xdotool xwininfo xprop Xephyr xrandr" : "Xvfb xdotool xwininfo xprop";
  if (window_manager == "xfwm4") tools += " xfwm4 dbus-run-session";
  else if (!window_manager.empty()) tools += " " + window_manager;
  return std::system(("for t in " + tools + "; do command -v $t >/dev/null || exit 1; done").c_str()) == 0;
}

bool XvfbSession::Start(const std::filesystem::path& work, const Options& options, std::string* error) {
  work_ = work;
  std::filesystem::remove_all(work);
  std::filesystem::create_directories(work / "fb");
  if (mkfifo((work / "pipe").c_str(), 0600) != 0) return *error = "no fifo", false;
  // Xvfb says its display number once it takes connections. It and the window manager end by
  // themselves after ten minutes, should the test not live to end them.
  const std::string size = std::to_string(options.width) + "x" + std::to_string(options.height) + "x24";
  impl_->server = StartProgram(work, "timeout 600 Xvfb -displayfd 1 -screen 0 " +
                                         (options.resizable ? std::string("1600x1200x24") : size) +
                                         " -nolisten tcp -wr -nocursor -noreset -fbdir fb 2>xvfb.log");
  std::string number, pending;
  if (!ReadLine(impl_->server.out, &pending, &number, 30000) || number.empty())
    return *error = "Xvfb did not start: " + ReadTextFile(work / "xvfb.log"), false;
  impl_->display = ":" + number;
  if (options.resizable) {
    impl_->nested = StartProgram(work, "env DISPLAY=:" + number + " timeout 600 Xephyr -displayfd 1 -screen " + size +
                                           " -resizeable -nolisten tcp -noreset 2>xephyr.log");
    std::string nested, nested_pending;
    if (!ReadLine(impl_->nested.out, &nested_pending, &nested, 30000) || nested.empty())
      return *error = "Xephyr did not start: " + ReadTextFile(work / "xephyr.log"), false;
    impl_->display = ":" + nested;
  }
  // What runs on the server keeps its files in the work folder, and starts no session bus of the
  // user's (SDL and GTK would start one on the display, with files in the home folder).
  const std::filesystem::path home = work / "home";
  std::filesystem::create_directories(home);
  const std::string variables = "DISPLAY=" + impl_->display + " HOME='" + home.string() + "' XDG_CONFIG_HOME='" +
                                (home / ".config").string() + "' XDG_CACHE_HOME='" + (home / ".cache").string() +
                                "' XDG_DATA_HOME='" + (home / ".local").string() + "' DBUS_SESSION_BUS_ADDRESS=disabled:";
  impl_->environment = "env " + variables + " ";
  impl_->exports = "export " + variables + "; ";
  return options.window_manager.empty() || StartWindowManager(options.window_manager, error);
}

bool XvfbSession::StartWindowManager(const std::string& wm, std::string* error) {
  const std::filesystem::path& work = work_;
  std::string line, pending;
  if (wm == "openbox") {
    // Openbox runs its start-up command once it manages the screen and has said its work area.
    impl_->window_manager = StartProgram(
        work, impl_->environment + "timeout 600 openbox --sm-disable --startup 'echo ready' 2>wm.log");
    while (ReadLine(impl_->window_manager.out, &pending, &line, 30000))
      if (line == "ready") return true;
    return *error = "openbox did not take the screen: " + ReadTextFile(work / "wm.log"), false;
  }
  // Any other window manager says it manages the screen on the root window; xprop watches the
  // root's properties for it (its lines unbuffered; the property may have no name yet).
  Started watch =
      StartProgram(work, impl_->environment + "timeout 60 stdbuf -oL xprop -root -spy 2>/dev/null");
  const std::string command = wm == "xfwm4" ? "dbus-run-session -- xfwm4 --compositor=off" : wm;
  impl_->window_manager =
      StartProgram(work, impl_->environment + "NO_AT_BRIDGE=1 timeout 600 " + command + " >wm.log 2>&1");
  std::string watched;
  bool managed = false;
  while (!managed && ReadLine(watch.out, &watched, &line, 60000))
    managed = line.rfind("_NET_SUPPORTING_WM_CHECK(WINDOW)", 0) == 0;
  EndProgram(&watch, true);
  if (managed) return true;
  return *error = wm + " did not take the screen: " + ReadTextFile(work / "wm.log"), false;
}

std::string XvfbSession::X(const std::string& command) {
  FILE* out = popen((impl_->exports + command + " 2>&1").c_str(), "r");
  std::string text;
  char buffer[256];
  for (size_t got; out != nullptr && (got = fread(buffer, 1, sizeof buffer, out)) > 0;) text.append(buffer, got);
  if (out != nullptr) pclose(out);
  return text;
}

bool XvfbSession::Hand(const std::string& gesture, const std::function<void()>& meanwhile) {
  if (!impl_->hand) impl_->hand = std::make_unique<XHand>(impl_->display);
  std::string error;
  if (impl_->hand->Do(gesture, &error, meanwhile)) return true;
  std::fprintf(stderr, "%s\n", error.c_str());
  return false;
}

bool XvfbSession::Launch(const std::string& command, std::string* error) {
  impl_->client = StartProgram(work_, impl_->environment +
                                          " SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy ASAN_OPTIONS=detect_leaks=0 " +
                                          command + " <pipe");
  impl_->answers = open((work_ / "pipe").c_str(), O_RDWR | O_CLOEXEC);
  if (impl_->client.pid <= 0 || impl_->answers < 0) return *error = "the client did not start", false;
  return true;
}

bool XvfbSession::NextLine(std::string* line, int timeout_ms) {
  return impl_->client.out != nullptr && ReadLine(impl_->client.out, &impl_->pending, line, timeout_ms);
}

void XvfbSession::Answer() { [[maybe_unused]] const ssize_t put = write(impl_->answers, "\n", 1); }

int XvfbSession::WaitForExit(int timeout_ms) {
  if (impl_->client.out == nullptr) return -1;
  // The client's output ends with it.
  std::string line;
  while (NextLine(&line, timeout_ms)) {
  }
  pollfd ended{fileno(impl_->client.out), POLLIN, 0};
  if (poll(&ended, 1, 0) <= 0) return -1;
  return EndProgram(&impl_->client, false);
}

XvfbSession::Geometry XvfbSession::ClientGeometry() {
  const std::string info = OnClientWindow("xwininfo -id $w");
  Geometry g;
  g.found = info.find("Map State:") != std::string::npos;
  g.viewable = info.find("Map State: IsViewable") != std::string::npos;
  g.x = Field(info, "Absolute upper-left X:");
  g.y = Field(info, "Absolute upper-left Y:");
  g.width = Field(info, "Width:");
  g.height = Field(info, "Height:");
  return g;
}

std::string XvfbSession::OnClientWindow(const std::string& command) {
  return X("w=$(xdotool search --pid " + std::to_string(impl_->client.pid) + " | head -n 1); [ -n \"$w\" ] && " +
           command);
}

int XvfbSession::ClientPid() const { return impl_->client.pid; }

void XvfbSession::PauseWindowManager(bool paused) {
  // `timeout` runs the window manager in a process group of its own, which it leads.
  if (impl_->window_manager.pid <= 0 || paused == impl_->window_manager_paused) return;
  kill(-impl_->window_manager.pid, paused ? SIGSTOP : SIGCONT);
  impl_->window_manager_paused = paused;
}

void XvfbSession::EndServer() {
  impl_->hand.reset();
  EndProgram(&impl_->server, true);
}

bool XvfbSession::Screen(Picture* out) {
  if (!ReadXwdScreen(work_ / "fb" / "Xvfb_screen0", out)) return false;
  if (impl_->nested.out == nullptr) return true;
  // Xephyr's screen at the top left of Xvfb's, as large as it is now.
  const std::string root = X("xwininfo -root");
  const int width = Field(root, "Width:"), height = Field(root, "Height:");
  if (width <= 0 || height <= 0 || width > out->width || height > out->height) return false;
  Picture screen{width, height, {}};
  for (int y = 0; y < height; ++y)
    screen.rgb.insert(screen.rgb.end(), out->rgb.begin() + static_cast<ptrdiff_t>(y) * out->width,
                      out->rgb.begin() + static_cast<ptrdiff_t>(y) * out->width + width);
  *out = std::move(screen);
  return true;
}

bool HaveXvfb() { return XvfbSession::Available(""); }

void RunOnXvfb(const std::filesystem::path& work, const std::string& environment, const std::string& program,
               const char* log, XvfbShot* shot, int screen_width, int screen_height) {
  XvfbSession session;
  std::string error, line;
  ASSERT_TRUE(session.Start(work, {screen_width, screen_height, ""}, &error)) << error;
  ASSERT_TRUE(session.Launch(environment + " " + program, &error)) << error;
  ASSERT_TRUE(session.NextLine(&line, 120000)) << ReadTextFile(work / log);
  std::istringstream ready(line);
  std::string word;
  ready >> word >> shot->x >> shot->y >> shot->width >> shot->height;
  ASSERT_EQ(word, "ready") << line << ReadTextFile(work / log);
  ASSERT_TRUE(ReadClientPng(work / "shown.png", &shot->shown));
  ASSERT_TRUE(session.Screen(&shot->screen));
  session.Answer();
  ASSERT_EQ(session.WaitForExit(120000), 0) << ReadTextFile(work / log);
  ASSERT_EQ(shot->shown.width, shot->width);
  ASSERT_EQ(shot->shown.height, shot->height);
  ASSERT_GE(shot->x, 0);
  ASSERT_GE(shot->y, 0);
  ASSERT_LE(shot->x + shot->width, shot->screen.width);
  ASSERT_LE(shot->y + shot->height, shot->screen.height);
}

}  // namespace test
