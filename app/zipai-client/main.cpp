// The game client. It opens the game window, maximised on the work area: the game frame with its
// title strip, window buttons, borders and table cloth and the side panel with its bars (user
// list, advert and score history, chat, input line and system buttons), drawn with the default
// skin found beside the program, and runs until the window is closed, or until the display goes
// away or another program destroys the window (a line on stderr, status 1; the settings are saved
// as when the window closes).
//
//   zipai-client [options] [LOBBY COMMAND LINE | REPLAY FILE]
//
// The lobby command line is the one '|'-separated argument the platform's lobby would pass;
// without it the client comes up offline. Either way it does not talk to a game server.
// A replay file (any other argument that is no option: a lobby line always holds '|') starts the
// client in replay mode, offline: the recorded table comes up and the recorded game plays at it.
// A file that is missing or is not a whole replay of this game is refused with a line on stderr
// and a message box, and the client ends with status 1. An argument without '|' that starts with
// '-' is an option: an unknown one is refused (status 2), never taken for a replay ("./-x" is
// the file -x, and so is "-x" after "--"; app/command_line.h).
//
//   --help, -h           prints the usage on stdout
//   --headless           no display: the window lives in memory
//   --frames N           runs N engine frames, then ends
//   --screenshot FILE    after the run, writes what the window shows: JPEG for a .jpg or .jpeg
//                        name, PNG for .png or a name without an extension; any other is refused
//   --hold               after the run (and the screenshot), writes "ready X Y WIDTH HEIGHT" (the
//                        client area on the screen) to stdout (to stderr when the screenshot
//                        is written to stdout) and keeps the window on screen until a line (or
//                        the end) comes on stdin
//   --report             each time the window has settled (at the start, and after every line on
//                        stdin) writes the --screenshot file and "shown X Y WIDTH HEIGHT" or
//                        "minimised" to stdout, then waits for a line; the end of stdin closes
//                        the window (window_report.h); in replay mode the line goes on with
//                        "table L T R B bar L T R B": the table's and the replay bar's rectangles
//                        in the client area
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "app/skin-gen/skin_inventory.h"
#include "app/zipai-client/window_report.h"
#include "dialogs/replay_bar.h"
#include "dialogs/replay_file.h"
#include "dialogs/replay_table.h"
#include "engine/core/engine_log.h"
#include "engine/core/rect_object.h"
#include "frame/game_frame.h"
#include "frame/sub_system.h"
#include "platform/atomic_file.h"
#include "platform/diagnostics.h"
#include "platform/files.h"
#include "platform/gbk.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/window.h"
#include "shell/game_app_base.h"
#include "shell/game_frame_wnd.h"
#include "table/table_view.h"

namespace {

using platform::RECT;

struct Options {
  bool headless = false;
  long frames = -1;
  std::string screenshot;
  bool hold = false;
  bool report = false;
  std::string lobby_line;
  std::string replay;  // the replay file as the system spells it
};

// Whether an argument names a replay rather than being the lobby's command line: a lobby line
// is at least nine '|'-separated fields, so anything without '|' can only be a file (one that
// is missing is refused as such, not taken for a lobby line).
bool IsReplayArgument(std::string_view arg) { return !arg.empty() && arg.find('|') == std::string::npos; }

// The lobby's line is never an option, whatever it starts with.
bool IsLobbyLine(std::string_view arg) { return arg.find('|') != std::string::npos; }

// The line that says a replay was refused, from the reason (GBK, naming the file in program
// text): UTF-8, the file named once and as it was given.
std::string RefusalLine(std::string error, const std::string& path, const std::string& given) {
  // "replay file X cannot be read" becomes "X cannot be played: it cannot be read".
  if (const std::string file = "replay file " + path + " "; error.rfind(file, 0) == 0) {
    error = "it " + error.substr(file.size());
  }
  return platform::NamedOnce(error, path, given, "", " cannot be played: ");
}

// The folder of the program file itself (not ZP_EXE_DIR's), with a trailing separator.
std::string ProgramFolder() {
  const std::string path = platform::ProgramPath(platform::ExecutablePath());
  const size_t cut = platform::FindLastSeparator(path);
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// The game's frame: the default skin packages, the table view and the side panel.
class ClientFrame final : public frame::GameFrame {
 public:
  void LoadSkinPackages() override {
    const std::string folder = ProgramFolder();
    for (const char* name : skin::kPackageFiles) {
      const std::string path = folder + name;
      if (!OpenResourcePackage(path.c_str())) {
        engine::WriteGameLog("client: the skin package %s did not open", path.c_str());
        std::fprintf(stderr, "zipai-client: the skin package %s is missing; the window is drawn without it\n",
                     cli::Printable(platform::NativePath(path)).c_str());
      }
    }
  }

  void CreateChildren() override {
    SetMainGame(table = new table::CTableView());
    SetSubSystem(new frame::SubSystem());
  }

  table::CTableView* table = nullptr;  // a scene object: gone with the window
};

// For --report in replay mode: where the table and the replay bar lie.
std::string DescribeReplayTable(const ClientFrame* frame) {
  if (frame == nullptr || frame->table == nullptr) return std::string();
  RECT t{};
  frame->table->GetRect(&t);
  std::string text = "table " + std::to_string(t.left) + " " + std::to_string(t.top) + " " + std::to_string(t.right) +
                     " " + std::to_string(t.bottom);
  if (const dialogs::CReplayBar* bar = frame->table->GetReplayBar(); bar != nullptr && bar->IsVisible()) {
    text += " bar " + std::to_string(static_cast<int>(bar->GetLeft())) + " " +
            std::to_string(static_cast<int>(bar->GetTop())) + " " + std::to_string(static_cast<int>(bar->GetRight())) +
            " " + std::to_string(static_cast<int>(bar->GetBottom()));
  }
  return text;
}

// The main window: ends the program when it closes, or after a set number of frames.
class ClientWindow final : public shell::CGameFrameWnd {
 public:
  long frames_left = -1;
  std::unique_ptr<client::SettledReport> report;  // --report

  void OnFrame() override {
    CGameFrameWnd::OnFrame();
    if (report) report->OnFrame(*this);
    if (frames_left > 0 && --frames_left == 0) platform::PostQuitMessage(0);
  }
  intptr_t WindowProc(uint32_t message, uintptr_t wparam, intptr_t lparam) override {
    if (report && message >= platform::WM_LBUTTONDOWN && message <= platform::WM_MBUTTONDBLCLK) report->OnButton();
    return CGameFrameWnd::WindowProc(message, wparam, lparam);
  }

 protected:
  void OnDestroy() override {
    CGameFrameWnd::OnDestroy();
    platform::PostQuitMessage(0);
  }
};

class ClientApp final : public shell::CGameAppBase {
 public:
  // With the lobby's command line the client starts as the lobby asks; without one it comes up
  // offline, with no table, so that the window can be seen and tried.
  bool InitInstance(const std::string& command_line) override {
    if (!command_line.empty()) return CGameAppBase::InitInstance(command_line);
    SetOfflineMode(true);
    LoadSettings();
    return CreateMainWindow();
  }
  std::string FormatGameName() override {
    const std::string name = CGameAppBase::FormatGameName();
    return name.empty() ? "跑胡子" : name;
  }
  engine::RectObject* NewGameFrameObject() override { return frame = new ClientFrame(); }
  shell::CGameFrameWnd* NewFrameWindow() override { return window = new ClientWindow(); }

  ClientWindow* window = nullptr;  // owned by the application
  ClientFrame* frame = nullptr;    // the window's scene object
};

constexpr char kUsage[] =
    "usage: zipai-client [--headless] [--frames N] [--screenshot FILE] [--hold | --report] "
    "[LOBBY COMMAND LINE | REPLAY FILE]\n"
    "       zipai-client --help\n";

// The usage with what each option does, and the lobby's line field by field, for --help.
constexpr char kHelp[] =
    "Opens the game window: at the table the lobby's '|'-separated command line names, offline\n"
    "without one, or playing a replay file back.\n"
    "  --headless           no display: the window lives in memory (with --frames)\n"
    "  --frames N           runs N engine frames, then ends\n"
    "  --screenshot FILE    after the run, writes what the window shows: JPEG for FILE.jpg or\n"
    "                       FILE.jpeg, PNG for FILE.png or a FILE without an extension\n"
    "  --hold               after the run, writes \"ready X Y WIDTH HEIGHT\" and keeps the window\n"
    "                       open until a line comes on stdin\n"
    "  --report             each time the window has settled, writes the screenshot and a line\n"
    "                       saying where it is, then waits for a line on stdin\n"
    "  --help, -h           prints this\n"
    "The lobby command line: at least 9 fields, in order (numbers decimal, or hexadecimal after 0x)\n"
    "  GAME ID|GAME NAME|SERVER ADDRESS|PORT|LOBBY WINDOW|USER ID|TABLE|CHAIR|TABLE OPTIONS[|FIELD 9[|LOOK-ON]]\n"
    "  GAME NAME names the game's .ini file (a plain file name); PORT empty or 0 is 21524; TABLE\n"
    "  counts from 0; CHAIR is 0 to 7; TABLE OPTIONS is a set of bits (0 for none); LOOK-ON not 0:\n"
    "  the user only watches. For example:\n"
    "  zipai-client '1|zipai|127.0.0.1|21524|0|1001|0|0|0'\n";

enum class Parsed { kRun, kHelp, kWrong };

constexpr long kMostFrames = 100000000;

// Reads the command line into *out; a line that is refused says why on stderr.
Parsed Parse(int argc, char** argv, Options* out) {
  const cli::CommandLine line = cli::Parse(std::vector<std::string>(argv + 1, argv + argc),
                                           {{"--headless"}, {"--hold"}, {"--report"}, {"--frames", true},
                                            {"--screenshot", true}},
                                           IsLobbyLine);
  if (line.help) return Parsed::kHelp;
  std::string why = line.error;
  if (const std::string* frames = line.Value("--frames");
      why.empty() && frames != nullptr && !cli::ParseNumber(*frames, 1, kMostFrames, &out->frames)) {
    why = "--frames takes a number from 1 to " + std::to_string(kMostFrames) + ", not '" + cli::Printable(*frames) + "'";
  }
  if (const std::string* file = line.Value("--screenshot"); why.empty() && file != nullptr) {
    if (client::ScreenshotKindOf(*file) == client::ScreenshotKind::kUnknown) {
      why = "--screenshot " + cli::Printable(*file) + ": " + client::kScreenshotKinds;
    }
    out->screenshot = platform::ProgramPath(*file);
  }
  out->headless = line.Has("--headless");
  // Without a display nothing would end the run.
  if (why.empty() && out->headless && out->frames < 0) why = "--headless runs without a window: give --frames N";
  out->hold = line.Has("--hold");
  out->report = line.Has("--report");
  // --report names the picture it writes, and holds the window as --hold does.
  if (why.empty() && out->report && out->screenshot.empty()) why = "--report needs --screenshot FILE";
  if (why.empty() && out->report && out->hold) why = "--report holds the window itself: it takes no --hold";
  if (why.empty() && line.operands.size() > 1) {
    why = "one lobby command line or replay file is taken, " + std::to_string(line.operands.size()) + " given";
  }
  if (!why.empty()) {
    std::fprintf(stderr, "zipai-client: %s\n", why.c_str());
    return Parsed::kWrong;
  }
  if (!line.operands.empty()) {
    const std::string& arg = line.operands[0];
    (IsReplayArgument(arg) ? out->replay : out->lobby_line) = arg;
  }
  return Parsed::kRun;
}

enum class ReplayStart { kPlaying, kRefused, kNoWindow };

// Replay mode: the file read whole and checked, then the recorded table brought up. A file that
// cannot be played is refused with a line on stderr and the log; the window then comes up
// offline at an empty table, where the game frame's message box says so in the game's own font.
ReplayStart StartReplay(ClientApp* app, const std::string& native_path) {
  const std::string path = platform::ProgramPath(native_path);
  dialogs::ReplayFile replay;
  shell::LobbyCommandLine command;
  shell::EnterGameData start;
  std::string error;
  if (!dialogs::LoadReplayFile(path, &replay, &error) ||
      !dialogs::MakeReplayTable(replay, app->GetChairCount(), &command, &start, &error)) {
    engine::WriteGameLog("client: replay refused: %s", error.c_str());
    std::fprintf(stderr, "zipai-client: %s\n", cli::Printable(RefusalLine(error, path, native_path)).c_str());
    if (!app->InitInstance(std::string()) || app->window == nullptr) {
      platform::MessageBoxA(dialogs::CReplayBar::RefusalText(path), "提示", platform::MB_OK | platform::MB_ICONWARNING);
      return ReplayStart::kNoWindow;
    }
    dialogs::CReplayBar::ShowRefusal(path);
    return ReplayStart::kRefused;
  }
  if (!app->StartReplay(path, command, start) || app->window == nullptr) {
    std::fprintf(stderr, "zipai-client: the game window could not be opened\n");
    return ReplayStart::kNoWindow;
  }
  return ReplayStart::kPlaying;
}

}  // namespace

int main(int argc, char** argv) {
  // A file-size limit (ulimit -f) fails a write, as a full disk does, instead of ending the client.
  platform::FailWritesPastFileSizeLimit();
  Options options;
  switch (Parse(argc, argv, &options)) {
    case Parsed::kHelp:
      return cli::ShowHelp("zipai-client", std::string(kUsage) + kHelp);
    case Parsed::kWrong:
      std::fputs(kUsage, stderr);
      return 2;
    case Parsed::kRun:
      break;
  }
  const auto kind = options.headless ? platform::WindowBackendKind::kHeadless : platform::WindowBackendKind::kAuto;
  // Where no display opens, the libraries' own lines about the ways they tried say nothing the
  // client's one line does not: they are kept back then, and shown when a display opened.
  platform::StderrHeld startup_lines;
  const bool started = platform::InitWindowSystem(kind);
  const std::string library_lines = startup_lines.Release();
  const bool no_display = started && !options.headless &&
                          platform::CurrentWindowBackend() == platform::WindowBackendKind::kHeadless;
  if (!no_display) std::fputs(library_lines.c_str(), stderr);
  if (!started) {
    std::fprintf(stderr, "zipai-client: the window system could not start\n");
    return 1;
  }
  if (no_display && options.frames < 0) {
    std::fprintf(stderr, "zipai-client: no display; run it with --headless --frames N\n");
    platform::ShutdownWindowSystem();
    return 1;
  }
  // The run log begins afresh when the engine starts (GameCore::Start), once.

  int exit_code = 0;
  {
    ClientApp app;
    bool refused = false;
    if (!options.replay.empty()) {
      const ReplayStart start = StartReplay(&app, options.replay);
      if (start == ReplayStart::kNoWindow) {
        platform::ShutdownWindowSystem();
        return 1;
      }
      refused = start == ReplayStart::kRefused;
    } else if (!app.InitInstance(options.lobby_line) || app.window == nullptr) {
      // A refused line was shown to the user as the lobby's line; here it says what was wrong.
      if (!app.GetCommandLineError().empty()) {
        std::fprintf(stderr, "zipai-client: the lobby command line was refused: %s\n",
                     app.GetCommandLineError().c_str());
      } else {
        std::fprintf(stderr, "zipai-client: the game window could not be opened\n");
      }
      platform::ShutdownWindowSystem();
      return 1;
    }
    ClientWindow& window = *app.window;
    window.frames_left = options.frames;
    if (options.report) {
      std::function<std::string()> more;
      if (!options.replay.empty() && !refused) more = [&app] { return DescribeReplayTable(app.frame); };
      window.report = std::make_unique<client::SettledReport>(options.screenshot, std::move(more));
    }
    exit_code = platform::RunMessageLoop();
    // A refused replay ends the client with status 1 however its window was closed.
    if (refused) exit_code = 1;

    if (!options.screenshot.empty() && !options.report && window.IsWindow() &&
        !client::WriteScreenshot(window, options.screenshot))
      exit_code = 1;
    if (options.hold && window.IsWindow()) {
      // Where the client area, which shows the engine's frame, lies on the screen.
      const RECT shown = client::ClientAreaOnScreen(window);
      platform::GdiFlush();
      // A screenshot written to stdout goes there alone.
      FILE* lines = cli::LinesBeside(options.screenshot);
      std::fprintf(lines, "ready %d %d %d %d\n", shown.left, shown.top, shown.right - shown.left, shown.bottom - shown.top);
      std::fflush(lines);
      std::string line;
      std::getline(std::cin, line);
    }
    app.ExitInstance();
    if (window.IsWindow()) window.DestroyWindow();
  }
  platform::ShutdownWindowSystem();
  return exit_code;
}
