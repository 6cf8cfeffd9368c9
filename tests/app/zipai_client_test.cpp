// ctest-labels: window frame
// The client program: headless, its screenshot shows the game frame with the default skin; on a
// real X server (Xvfb, 1024 x 768) it starts maximised on the whole screen, which Xvfb keeps in a
// file (-fbdir): the test reads that screen while the client holds its window open, and finds
// there the client's own presented frame (its --screenshot), showing the game frame.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/skin-gen/skin_inventory.h"
#include "engine/core/game_core.h"
#include "engine/core/object_module.h"
#include "engine/core/object_services.h"
#include "engine/media/gdi_paint_module.h"
#include "engine/media/image_record.h"
#include "engine/media/resource_module.h"
#include "platform/font.h"
#include "platform/gbk.h"
#include "tests/support/colour_match.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/screen_capture.h"
#include "tests/support/xvfb_run.h"

namespace {

namespace fs = std::filesystem;

using test::Picture;
using test::ReadClientPng;

// The default skin's pictures, read through the engine as the client reads them.
class SkinPictures {
 public:
  SkinPictures() {
    core_ = std::make_unique<engine::GameCore>();
    auto* resources = new engine::ResourceModule();
    core_->LoadModule(resources, true, false);
    core_->LoadModule(new engine::ObjectModule(), true, false);
    auto* paint = new engine::GdiPaintModule();
    core_->LoadModule(paint, true, false);
    paint->SetSize(64, 64);
    services_ = new engine::ObjectServices();
    dynamic_cast<engine::ObjectModule*>(core_->FindModule(engine::module_id::kObject))->AddObject(services_, nullptr);
    for (const char* name : skin::kPackageFiles) {
      const std::string path = std::string(ZP_BINARY_DIR) + "/app/" + name;
      services_->OpenResourcePackage(platform::Utf8ToGbk(path).c_str());
    }
  }
  // 0x00RRGGBB of frame 0's pixel; 0 and a failure when the picture is missing.
  uint32_t Pixel(const char* name, int x, int y) {
    const engine::PictureInfo info = services_->GetPictureInfo(name, 0);
    EXPECT_NE(info.record, nullptr) << name;
    if (info.record == nullptr) return 0;
    const engine::ImageRecord& r = *info.record;
    const uint8_t* p = r.pixels + (static_cast<size_t>(y) * r.width + x) * 4;
    return (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
  }

 private:
  std::unique_ptr<engine::GameCore> core_;
  engine::ObjectServices* services_ = nullptr;
};

// Colours equal but for a rounding step per channel.
::testing::AssertionResult Near(uint32_t got, uint32_t want) { return test::ColoursWithin(got, want, 3); }

// The game frame at 1024 x 768 with the default skin: the cloth beside the table's halo, the side
// panel over it on the right, the title strip's tile, the borders and the splitter.
void ExpectGameFrame(const Picture& shot) {
  ASSERT_EQ(shot.width, 1024);
  ASSERT_EQ(shot.height, 768);
  SkinPictures skin;
  auto at = [&](int x, int y) { return shot.rgb[static_cast<size_t>(y) * shot.width + x]; };
  EXPECT_EQ(at(8, 400), skin.Pixel("TablePatten", 8, 400 % 96));
  // On the right the side panel stands over the cloth.
  EXPECT_NE(at(900, 400), skin.Pixel("TablePatten", 900 % 96, 400 % 96));
  EXPECT_PRED2(Near, at(300, 3), skin.Pixel("Frame_Top", 300 % 32, 3));
  EXPECT_PRED2(Near, at(1, 400), skin.Pixel("Frame_Left", 1, 0));
  EXPECT_PRED2(Near, at(1022, 400), skin.Pixel("Frame_Right", 2, 0));
  EXPECT_PRED2(Near, at(500, 766), skin.Pixel("Frame_Bottom", 500, 2));
  EXPECT_PRED2(Near, at(766, 200), skin.Pixel("左右分隔条_bg", 4, 0));
  // The window buttons stand on the strip's right end: the close button is not the strip.
  EXPECT_NE(at(1006, 13), at(300, 13));
}

TEST(ZipaiClient, ShowsTheGameFrameInARealWindow) {
  if (!test::HaveXvfb()) GTEST_SKIP() << "Xvfb is not installed";
  const fs::path client = fs::path(ZP_BINARY_DIR) / "app" / "zipai-client";
  ASSERT_TRUE(fs::exists(client)) << client;
  test::XvfbShot run;
  ASSERT_NO_FATAL_FAILURE(test::RunOnXvfb(
      fs::current_path() / "xvfb", "",
      "'" + client.native() + "' --frames 40 --screenshot shown.png --hold 2>client.log", "client.log", &run,
      1024, 768));
  // The window starts maximised: the whole screen, which has no panels.
  EXPECT_EQ(run.x, 0);
  EXPECT_EQ(run.y, 0);
  EXPECT_EQ(run.width, 1024);
  EXPECT_EQ(run.height, 768);
  // The client drew the game frame, and the screen holds exactly the frame it presented.
  ExpectGameFrame(run.shown);
  EXPECT_EQ(run.DifferingPixels(), 0);
}

TEST(ZipaiClient, HeadlessItWritesTheGameFrameItWouldShow) {
  const fs::path client = fs::path(ZP_BINARY_DIR) / "app" / "zipai-client";
  ASSERT_TRUE(fs::exists(client)) << client;
  const fs::path work = fs::current_path();
  fs::remove(work / "out.png");
  const std::string command = "ASAN_OPTIONS=detect_leaks=0 '" + client.string() +
                              "' --headless --frames 10 --screenshot '" + (work / "out.png").string() + "' 2>'" +
                              (work / "headless.log").string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  Picture shot;
  ASSERT_TRUE(ReadClientPng(work / "out.png", &shot));
  ExpectGameFrame(shot);
}

// Runs the headless client after `limits` (shell commands such as ulimit), its executable folder
// ZP_EXE_DIR at exe_dir: its status, its stderr in *err.
int RunHeadless(const std::string& limits, const fs::path& exe_dir, const std::string& args, std::string* err) {
  const fs::path client = fs::path(ZP_BINARY_DIR) / "app" / "zipai-client";
  fs::create_directories(exe_dir);
  const std::string command = limits + " ASAN_OPTIONS=detect_leaks=0 ZP_EXE_DIR='" + exe_dir.string() + "/' '" +
                              client.string() + "' --headless --frames 5 " + args + " 2>client.err";
  const int status = (std::system(command.c_str()) >> 8) & 0xFF;
  std::ifstream in("client.err");
  err->assign(std::istreambuf_iterator<char>(in), {});
  return status;
}

// The user sees that the line is not the lobby's, stderr says what was wrong with it.
TEST(ZipaiClient, ARefusedLobbyLineSaysWhyAndWritesNothingOutsideItsFolder) {
  const fs::path work = fs::current_path();
  std::string err;
  EXPECT_EQ(RunHeadless("", work / "exe", "'1|../pwn|127.0.0.1|0|0|1001|5|0|0'", &err), 1);
  EXPECT_NE(err.find(platform::GbkToUtf8("请从游戏大厅进入游戏。")), std::string::npos) << err;
  EXPECT_NE(err.find("refused: game name \"../pwn\" is not a plain file name"), std::string::npos) << err;
  EXPECT_EQ(err.find("could not be opened"), std::string::npos) << err;
  EXPECT_FALSE(fs::exists(work / "pwn.ini"));
}

TEST(ZipaiClient, AFileSizeLimitFailsTheScreenshotWithoutKillingTheClientOrLeavingATemporaryFile) {
  const fs::path work = fs::current_path() / "limited";
  std::string err;
  EXPECT_EQ(RunHeadless("ulimit -f 1;", work, "--screenshot '" + (work / "shot.png").string() + "'", &err), 1) << err;
  EXPECT_NE(err.find("cannot write"), std::string::npos) << err;
  for (const auto& entry : fs::directory_iterator(work)) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << entry.path();
  }
}

// The screenshot goes through a link to the file it names, never over the link, as a
// redirection writes; one into a FIFO whose reader goes away fails as any write does: one line
// that names the path once, status 1.
TEST(ZipaiClient, TheScreenshotIsWrittenThroughALinkAndAFailedOneSaysSoInOneLine) {
  const fs::path work = fs::current_path() / "through";
  fs::create_directories(work);
  fs::create_symlink("shown.png", work / "link.png");
  std::string err;
  EXPECT_EQ(RunHeadless("", work, "--screenshot '" + (work / "link.png").string() + "'", &err), 0) << err;
  Picture shot;
  EXPECT_TRUE(ReadClientPng(work / "shown.png", &shot));
  EXPECT_TRUE(fs::is_symlink(work / "link.png"));
  // The picture is far larger than a pipe holds: the reader takes its first bytes and goes.
  const std::string fifo = (work / "fifo").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  ::fcntl(reader, F_SETFL, 0);
  int status = -1;
  std::thread client([&] { status = RunHeadless("", work, "--screenshot '" + fifo + "'", &err); });
  pollfd ready{reader, POLLIN, 0};
  char head[8];
  if (::poll(&ready, 1, 120000) == 1) {
    EXPECT_EQ(::read(reader, head, sizeof head), 8);
  }
  ::close(reader);
  client.join();
  EXPECT_EQ(status, 1);
  EXPECT_NE(err.find("zipai-client: cannot write " + fifo + " (write: Broken pipe)\n"), std::string::npos) << err;
  EXPECT_EQ(err.find(fifo, err.find(fifo) + 1), std::string::npos) << err;
}

// Where on the screen a character stands as the client's font draws it (14 pixels, sharp, dark
// ink): the top left of its ink; found false when it is nowhere.
struct Found {
  bool found = false;
  int x = 0, y = 0, width = 0, height = 0;
};
Found FindCharacter(const Picture& screen, char32_t c) {
  platform::GlyphImage glyph;
  const auto font = platform::Font::Open("宋体", 14, 400, false);
  if (!font || !font->RenderGlyph(c, false, glyph) || glyph.width == 0) return {};
  auto dark = [&](int x, int y) { return (screen.At(x, y) & 0xFF) < 0x60; };
  for (int y = 0; y + glyph.rows <= screen.height; ++y) {
    for (int x = 0; x + glyph.width <= screen.width; ++x) {
      bool same = true;
      for (int row = 0; row < glyph.rows && same; ++row) {
        for (int col = 0; col < glyph.width && same; ++col) {
          same = dark(x + col, y + row) == (glyph.coverage[static_cast<size_t>(row) * glyph.width + col] >= 128);
        }
      }
      if (same) return {true, x, y, glyph.width, glyph.rows};
    }
  }
  return {};
}

// xdotool's strokes of a hand that comes to (x, y) in steps from the screen's corner.
std::string StepsTo(int x, int y) {
  std::string strokes;
  for (int step = 1; step <= 5; ++step)
    strokes += "mousemove " + std::to_string(x * step / 5) + " " + std::to_string(y * step / 5) + " sleep 0.03 ";
  return strokes;
}

// The box that refuses a line that is not the lobby's reads on an X server without fonts of these
// characters: it is drawn with the client's own font. A hand's click on its button ends the client.
TEST(ZipaiClient, TheLobbyLinesMessageBoxIsDrawnWithTheClientsFont) {
  if (!test::XvfbSession::Available("")) GTEST_SKIP() << "Xvfb is not installed";
  test::XvfbSession session;
  std::string error;
  ASSERT_TRUE(session.Start(fs::current_path() / "box", {1024, 768, ""}, &error)) << error;
  const fs::path client = fs::path(ZP_BINARY_DIR) / "app" / "zipai-client";
  ASSERT_TRUE(session.Launch("'" + client.native() + "' 'a|b|c' 2>client.log", &error)) << error;
  session.X("timeout 60 xdotool search --sync --onlyvisible --classname zipai-client");
  // The box paints itself once it is shown: its first character is looked for until it is there.
  Found first, button;
  Picture screen;
  for (const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
       !first.found && std::chrono::steady_clock::now() < until;) {
    if (session.Screen(&screen)) first = FindCharacter(screen, U'请');
  }
  ASSERT_TRUE(first.found) << "the box's text is not drawn with the client's font\n"
                           << test::ReadTextFile(session.work() / "client.log");
  button = FindCharacter(screen, U'确');
  ASSERT_TRUE(button.found) << "the button's label is not drawn with the client's font";
  EXPECT_GT(button.y, first.y);
  // The hand comes to the button in steps from the screen's corner, and holds it down a moment.
  ASSERT_TRUE(session.Hand(StepsTo(button.x + button.width / 2, button.y + button.height / 2) +
                           "sleep 0.2 mousedown 1 sleep 0.08 mouseup 1"));
  EXPECT_EQ(session.WaitForExit(60000), 1);
  EXPECT_NE(test::ReadTextFile(session.work() / "client.log").find("the lobby command line was refused"),
            std::string::npos);
}

// The same box is a dialog: a window manager offers no maximising (nor, xfwm4, minimising; openbox
// offers minimising any dialog). Another program that destroys it closes it as its way out does:
// the client ends with status 1, saying why, and no handler of Xlib's ends it.
TEST(ZipaiClient, TheLobbyLinesMessageBoxIsADialogAndItsDestructionEndsTheClientAsItsClosingDoes) {
  if (!test::XvfbSession::Available("")) GTEST_SKIP() << "Xvfb is not installed";
  const fs::path client = fs::path(ZP_BINARY_DIR) / "app" / "zipai-client";
  for (const std::string wm : {"", "openbox", "xfwm4"}) {
    if (!test::XvfbSession::Available(wm)) {
      std::printf("%s is not installed\n", wm.c_str());
      continue;
    }
    test::XvfbSession session;
    std::string error;
    ASSERT_TRUE(session.Start(fs::current_path() / ("gone-box" + wm), {1024, 768, wm}, &error)) << error;
    ASSERT_TRUE(session.Launch("'" + client.native() + "' 'a|b|c' 2>client.log", &error)) << error;
    session.X("timeout 60 xdotool search --sync --onlyvisible --classname zipai-client");
    EXPECT_NE(session.OnClientWindow("xprop -id $w _NET_WM_WINDOW_TYPE").find("_NET_WM_WINDOW_TYPE_DIALOG"),
              std::string::npos)
        << wm;
    // Each of the two ways of saying so is there on its own (either alone keeps these managers
    // from offering maximising): the Motif hints allow moving and closing (0x24), with the
    // border, the title and its menu (0x1a).
    const std::string motif = session.OnClientWindow("xprop -id $w _MOTIF_WM_HINTS");
    EXPECT_NE(motif.find("= 0x3, 0x24, 0x1a, 0x0, 0x0"), std::string::npos) << wm << ": " << motif;
    if (!wm.empty()) {
      // What the window manager offers, once it has said so.
      std::string offered;
      for (const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
           offered.find("_NET_WM_ACTION_CLOSE") == std::string::npos && std::chrono::steady_clock::now() < until;) {
        offered = session.OnClientWindow("xprop -id $w _NET_WM_ALLOWED_ACTIONS");
      }
      EXPECT_NE(offered.find("_NET_WM_ACTION_CLOSE"), std::string::npos) << wm << ": " << offered;
      EXPECT_EQ(offered.find("MAXIMIZE"), std::string::npos) << wm << ": " << offered;
      if (wm == "xfwm4") {
        EXPECT_EQ(offered.find("MINIMIZE"), std::string::npos) << wm << ": " << offered;
      }
    }
    session.OnClientWindow("xdotool windowclose $w");
    EXPECT_EQ(session.WaitForExit(60000), 1) << wm;
    const std::string log = test::ReadTextFile(session.work() / "client.log");
    EXPECT_NE(log.find("the lobby command line was refused"), std::string::npos) << wm << "\n" << log;
    EXPECT_EQ(log.find("X Error"), std::string::npos) << wm << "\n" << log;
  }
}

// Whether the process sleeps (waits on something) rather than runs or is stopped.
bool Asleep(int pid) {
  const std::string stat = test::ReadTextFile("/proc/" + std::to_string(pid) + "/stat");
  const size_t end = stat.rfind(')');
  return end != std::string::npos && end + 2 < stat.size() && stat[end + 2] == 'S';
}

// However the box's connection to the display is cut, whenever (before the box is mapped, while
// it waits, while the client is stopped with a button just pressed on the box, or by the server's
// own end), the box ends as its way out: status 1, the refusal and the lost display on stderr.
TEST(ZipaiClient, TheLobbyLinesMessageBoxEndsAsItsWayOutWhenItsConnectionIsCutAtAnyMoment) {
  if (!test::XvfbSession::Available("")) GTEST_SKIP() << "Xvfb is not installed";
  const fs::path client = fs::path(ZP_BINARY_DIR) / "app" / "zipai-client";
  const struct {
    const char* name;
    const char* wm;
    bool unmapped;  // the window manager, stopped, maps nothing: the box waits for its mapping
    bool stopped, pressed, server_ends;
  } kCuts[] = {
      {"before-mapped", "openbox", true, false, false, false},
      {"waiting", "", false, false, false, false},
      {"waiting-openbox", "openbox", false, false, false, false},
      {"stopped-with-a-press", "", false, true, true, false},
      {"server-ends", "", false, false, false, true},
      {"server-ends-while-stopped", "", false, true, false, true},
  };
  for (const auto& row : kCuts) {
    SCOPED_TRACE(row.name);
    if (!test::XvfbSession::Available(row.wm)) {
      std::printf("%s is not installed\n", row.wm);
      continue;
    }
    test::XvfbSession session;
    std::string error;
    ASSERT_TRUE(session.Start(fs::current_path() / (std::string("cut-box-") + row.name), {1024, 768, row.wm}, &error))
        << error;
    session.PauseWindowManager(row.unmapped);
    ASSERT_TRUE(session.Launch("'" + client.native() + "' '1|2|3| 5|5|6|7|0|9' 2>client.log", &error)) << error;
    const int pid = session.ClientPid();
    // The box is named just before it is shown; the client then sleeps till it is mapped.
    for (const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
         row.unmapped && std::chrono::steady_clock::now() < until &&
         (session.OnClientWindow("xprop -id $w WM_NAME").find(" = ") == std::string::npos || !Asleep(pid));) {
    }
    if (!row.unmapped) session.X("timeout 60 xdotool search --sync --onlyvisible --classname zipai-client");
    EXPECT_EQ(session.ClientGeometry().viewable, !row.unmapped);
    Found button;
    Picture screen;
    for (const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
         row.pressed && !button.found && std::chrono::steady_clock::now() < until;)
      if (session.Screen(&screen)) button = FindCharacter(screen, U'确');
    // The hand comes to the button and presses it while the client is stopped, the cut behind.
    if (row.pressed) {
      EXPECT_TRUE(session.Hand(StepsTo(button.x, button.y)));
    }
    if (row.stopped) kill(pid, SIGSTOP);
    if (row.pressed) {
      EXPECT_TRUE(session.Hand("mousedown 1"));
    }
    if (row.server_ends) {
      session.EndServer();
    } else {
      session.OnClientWindow("xdotool windowkill $w");
    }
    if (row.pressed) {
      EXPECT_TRUE(session.Hand("sleep 0.08 mouseup 1"));
    }
    kill(pid, SIGCONT);
    EXPECT_EQ(session.WaitForExit(60000), 1);
    const std::string log = test::ReadTextFile(session.work() / "client.log");
    EXPECT_NE(log.find("message box: the connection to the display was lost"), std::string::npos) << log;
    EXPECT_NE(log.find("the lobby command line was refused: server port \" 5\""), std::string::npos) << log;
  }
}

// --help and -h print the usage on stdout; an unknown option is refused, never read as a replay.
TEST(ZipaiClient, HelpIsPrintedAndAnUnknownOptionIsRefused) {
  const std::string client = std::string(ZP_BINARY_DIR) + "/app/zipai-client";
  EXPECT_EQ(std::system((client + " --help >help.out && " + client + " -h >>help.out").c_str()), 0);
  std::ifstream out("help.out");
  const std::string text(std::istreambuf_iterator<char>(out), {});
  EXPECT_EQ(text.rfind("usage: zipai-client", 0), 0u) << text;
  EXPECT_NE(text.find("usage: zipai-client", 1), std::string::npos) << "-h prints it too\n" << text;
  std::string err;
  // The lobby line the help gives for an example is one the client takes.
  const size_t example = text.find("  zipai-client '");
  ASSERT_NE(example, std::string::npos) << text;
  EXPECT_EQ(RunHeadless("", fs::current_path() / "exe", text.substr(example + 15, text.find('\n', example) - example - 15), &err), 0) << err;
  for (const char* option : {"--bogus", "-x"}) {
    EXPECT_EQ(RunHeadless("", fs::current_path() / "exe", option, &err), 2) << option;
    EXPECT_EQ(err.rfind(std::string("zipai-client: unknown option '") + option + "'\nusage: zipai-client", 0), 0u) << err;
  }
}

// "--" ends the options; a refusal says why in its first line; a replay that cannot be played is
// named once, as given.
TEST(ZipaiClient, CommandLinesFollowTheUsualConventions) {
  const std::string client = "ASAN_OPTIONS=detect_leaks=0 " + std::string(ZP_BINARY_DIR) + "/app/zipai-client --headless ";
  const struct {
    const char* args;
    int status;
    const char* why;
  } kRefused[] = {
      {"--frames 5 --screenshot -x", 2, "zipai-client: --screenshot takes a value, not the option '-x'"},
      {"--frames 5 --screenshot ''", 2, "zipai-client: --screenshot takes a value, not an empty argument"},
      {"--frames 0", 2, "zipai-client: --frames takes a number from 1 to 100000000, not '0'"},
      {"--frames ' 5'", 2, "zipai-client: --frames takes a number from 1 to 100000000, not ' 5'"},
      {"--frames +5", 2, "zipai-client: --frames takes a number from 1 to 100000000, not '+5'"},
      {"--frames 5x", 2, "zipai-client: --frames takes a number from 1 to 100000000, not '5x'"},
      // Past what a number holds: 2^64 + 5 is no 5.
      {"--frames 18446744073709551621", 2,
       "zipai-client: --frames takes a number from 1 to 100000000, not '18446744073709551621'"},
      {"", 2, "zipai-client: --headless runs without a window: give --frames N"},
      {"--frames 5 --screenshot shot.gif", 2,
       "zipai-client: --screenshot shot.gif: a screenshot is written as .png (or a name without an extension) or "
       ".jpg/.jpeg"},
      {"--frames 5 ''", 2, "zipai-client: an empty argument names nothing"},
      {"--help >/dev/full", 1, "zipai-client: cannot write the standard output (No space left on device)"},
      {"--frames 5 -- -x.rep", 1, "zipai-client: -x.rep cannot be played: it cannot be read (No such file or directory)"},
      // A file that names itself nowhere in the reason is named all the same; control characters
      // a terminal would act on (C1, bidirectional) are shown escaped.
      {"--frames 5 a", 1, "zipai-client: a cannot be played: replay file refused: 64 bytes, shorter than the 108-byte header"},
      {"--frames 5 \"$(printf 'x\\302\\233\\342\\200\\256y')\"", 1,
       "zipai-client: x\\xC2\\x9B\\xE2\\x80\\xAEy cannot be played: it cannot be read (No such file or directory)"},
  };
  std::ofstream("a") << std::string(64, 'a');
  for (const auto& [args, status, why] : kRefused) {
    EXPECT_EQ(WEXITSTATUS(std::system((client + args + " 2>client.err").c_str())), status) << args;
    std::ifstream err("client.err");
    const std::string said(std::istreambuf_iterator<char>(err), {});
    EXPECT_NE(said.find(std::string(why) + "\n"), std::string::npos) << said;
  }
  EXPECT_FALSE(fs::exists("-x"));
}

// Where no display opens, one line says so: the libraries' own lines about the ways they tried
// are kept back (libwayland's, without a runtime folder, is one: SDL tries Wayland only when no
// driver is named, as the tests otherwise name one). scripts/run says so before it installs or
// builds anything (here a copy of it beside stand-ins that mark that they ran), unless what it
// is asked for needs no display.
TEST(ZipaiClient, WithoutADisplayOneLineSaysSo) {
  int display = 4000;
  while (fs::exists("/tmp/.X11-unix/X" + std::to_string(display))) ++display;
  fs::create_directories("run/scripts");
  fs::copy_file(std::string(ZP_TEST_DATA_DIR) + "/../../scripts/run", "run/scripts/run");
  for (const char* stand_in : {"run/scripts/setup", "run/scripts/build"}) {
    std::ofstream(stand_in) << "#!/bin/sh\ntouch \"$(dirname \"$0\")/ran\"\nexit 3\n";
    fs::permissions(stand_in, fs::perms::owner_all);
  }
  const std::string no_display = "env -u SDL_VIDEODRIVER -u XDG_RUNTIME_DIR -u WAYLAND_DISPLAY -u DISPLAY ";
  const struct {
    std::string command;
    int status;
    std::string said;  // on stderr
    bool built;
  } kRuns[] = {
      {no_display + "DISPLAY=:" + std::to_string(display) + " ASAN_OPTIONS=detect_leaks=0 " +
           std::string(ZP_BINARY_DIR) + "/app/zipai-client",
       1, "zipai-client: no display; run it with --headless --frames N\n", false},
      {no_display + "run/scripts/run", 1,
       "run: no display (neither DISPLAY nor WAYLAND_DISPLAY is set): the client needs one to open its window; "
       "nothing was built\nrun: scripts/run --headless --frames N [--screenshot FILE] runs it without one\n",
       false},
      {no_display + "run/scripts/run --help", 3, "", true},
  };
  for (const auto& [command, status, said, built] : kRuns) {
    fs::remove("run/scripts/ran");
    EXPECT_EQ(WEXITSTATUS(std::system((command + " 2>nodisplay.err").c_str())), status) << command;
    std::ifstream err("nodisplay.err");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(err), {}), said) << command;
    EXPECT_EQ(fs::exists("run/scripts/ran"), built) << command;
  }
}

// The screenshot is what its name asks for: JPEG for .jpg and .jpeg, PNG for .png or no
// extension; /dev/stdout is the client's own output, written where it stands (appended here),
// and then nothing else goes there.
TEST(ZipaiClient, TheScreenshotIsWrittenAsItsNameAsks) {
  const fs::path work = fs::current_path() / "kinds";
  std::ofstream(work.string() + ".out") << "earlier\n";
  const struct {
    std::string args;
    std::string file;
    std::string starts;
  } kShots[] = {
      {"--screenshot '" + (work / "shot.jpg").string() + "'", (work / "shot.jpg").string(), "\xFF\xD8\xFF"},
      {"--screenshot '" + (work / "shot.JPEG").string() + "'", (work / "shot.JPEG").string(), "\xFF\xD8\xFF"},
      {"--screenshot '" + (work / "shot.png").string() + "'", (work / "shot.png").string(), "\x89PNG"},
      {"--screenshot '" + (work / "shot").string() + "'", (work / "shot").string(), "\x89PNG"},
      // A dot in a folder's name, or one that starts the name, makes no extension.
      {"--screenshot '" + (work / "d.x" / "shot").string() + "'", (work / "d.x" / "shot").string(), "\x89PNG"},
      {"--screenshot '" + (work / ".shot").string() + "'", (work / ".shot").string(), "\x89PNG"},
      {"--screenshot /dev/stdout >>'" + work.string() + ".out'", work.string() + ".out", "earlier\n\x89PNG"},
  };
  fs::create_directories(work / "d.x");
  for (const auto& [args, file, starts] : kShots) {
    std::string err;
    EXPECT_EQ(RunHeadless("", work, args, &err), 0) << args << err;
    std::ifstream in(file, std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(in), {});
    EXPECT_EQ(bytes.substr(0, starts.size()), starts) << args;
  }
  // A picture on stdout goes there alone: the line --hold or --report writes goes to stderr then.
  for (const auto& [option, line] : {std::pair{"--hold", "ready "}, std::pair{"--report", "shown "}}) {
    std::string err;
    EXPECT_EQ(RunHeadless("", work,
                          std::string("--screenshot /dev/stdout ") + option + " </dev/null >'" + work.string() + ".alone'",
                          &err),
              0)
        << err;
    std::ifstream in(work.string() + ".alone", std::ios::binary);
    const std::string alone(std::istreambuf_iterator<char>(in), {});
    const std::string end = std::string("IEND\xAE\x42\x60\x82", 8);
    EXPECT_TRUE(alone.rfind("\x89PNG", 0) == 0 && alone.size() > end.size() &&
                alone.compare(alone.size() - end.size(), end.size(), end) == 0)
        << option << ": " << alone.size() << " bytes, ending in "
        << alone.substr(alone.size() - std::min<size_t>(alone.size(), 24));
    EXPECT_NE(err.find(line), std::string::npos) << option << ": " << err;
  }
}

// The run log that cannot begin afresh (a folder stands at its name) says so once.
TEST(ZipaiClient, ARunLogThatCannotBeginAfreshIsReportedOnce) {
  const fs::path work = fs::current_path() / "runlog";
  fs::create_directories(work / "GameRun.log");
  std::string err;
  EXPECT_EQ(RunHeadless("", work, "", &err), 0) << err;
  const std::string warning = "the run log could not begin afresh";
  ASSERT_NE(err.find(warning), std::string::npos) << err;
  EXPECT_EQ(err.find(warning, err.find(warning) + 1), std::string::npos) << err;
}

}  // namespace
