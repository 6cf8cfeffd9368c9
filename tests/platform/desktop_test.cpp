// ctest-labels: ui
// The desktop calls and the opener on the headless backend: what would be opened is recorded,
// never run, and every target that is not an http(s) address or an existing folder is refused.
#include "platform/desktop.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/diagnostics.h"
#include "platform/shell_open.h"
#include "platform/window.h"

namespace {

using platform::CheckOpenTarget;
using platform::GetHeadlessDesktop;
using platform::OpenTargetKind;
using platform::RECT;

// The folder's name on disk (UTF-8), and as the program spells it (GBK).
const std::filesystem::path kFolderName(u8"录像");
constexpr const char* kFolderNameGbk = "\xC2\xBC\xCF\xF1";

class DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform::InitWindowSystem(platform::WindowBackendKind::kHeadless));
    folder_ = std::filesystem::temp_directory_path() / ("desktop_test_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder_ / kFolderName);
    previous_ = platform::SetProblemSink([this](const std::string& line) { problems_.push_back(line); });
  }
  void TearDown() override {
    platform::SetProblemSink(previous_);
    if (window_.IsWindow()) window_.DestroyWindow();
    platform::ShutdownWindowSystem();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  bool OpenWindow() { return window_.CreateEx(0, "game", platform::WS_VISIBLE | platform::WS_POPUP, 10, 10, 320, 200); }
  const std::vector<std::string>& Opened() const { return GetHeadlessDesktop().opened; }

  platform::Window window_;
  std::filesystem::path folder_;
  std::vector<std::string> problems_;
  platform::ProblemSink previous_;
};

TEST_F(DesktopTest, AddressesOpenInTheBrowserWithTheirOddBytesEncoded) {
  EXPECT_TRUE(platform::ShellOpen("http://www.example.com/help.html"));
  EXPECT_TRUE(platform::OpenUrl("  HTTPS://Shop.Example.com:8080/buy?item=3&n=\"x y\"#top "));
  EXPECT_TRUE(platform::ShellOpen("http://example.com/\xC2\xBC\xCF\xF1 \xD2\xBB"));
  EXPECT_TRUE(platform::ShellOpen("http://[::1]:80/"));
  ASSERT_EQ(Opened().size(), 4u);
  EXPECT_EQ(Opened()[0], "http://www.example.com/help.html");
  EXPECT_EQ(Opened()[1], "https://shop.example.com:8080/buy?item=3&n=%22x%20y%22#top");
  EXPECT_EQ(Opened()[2], "http://example.com/%E5%BD%95%E5%83%8F%20%E4%B8%80");
  EXPECT_EQ(Opened()[3], "http://[::1]:80/");
  EXPECT_TRUE(problems_.empty());
}

TEST_F(DesktopTest, EverythingButWebAddressesAndExistingFoldersIsRefusedWithALogLine) {
  const std::vector<std::string> refused = {
      "file:///etc/passwd",
      "javascript:alert(1)",
      "JavaScript:void(0)",
      "mailto:a@example.com",
      "ftp://example.com/",
      "http://",
      "http://user@example.com/",
      "http://exa mple.com/",
      "http://example.com\r\n/x",
      "http://\xC0\xFD\xD7\xD3.com/",
      "http://-bad.com/",
      "http://example.com:99999999/",
      "www.example.com",
      "relative/folder",
      (folder_ / "missing").string(),
      "/etc/passwd",
      "",
      "http://example.com/" + std::string(platform::kMaxOpenTarget, 'a'),
  };
  for (const std::string& target : refused) {
    EXPECT_EQ(CheckOpenTarget(target, nullptr), OpenTargetKind::kRefused) << target;
    problems_.clear();
    EXPECT_FALSE(platform::ShellOpen(target)) << target;
    EXPECT_EQ(problems_.size(), 1u) << target;
  }
  EXPECT_TRUE(Opened().empty());
}

TEST_F(DesktopTest, AnExistingFolderOpensByItsFullPathOnlyThroughTheFolderCalls) {
  const std::string gbk_folder = folder_.string() + "/" + kFolderNameGbk;
  const std::string on_disk = std::filesystem::canonical(folder_ / kFolderName).string();
  std::string target;
  EXPECT_EQ(CheckOpenTarget(gbk_folder, &target), OpenTargetKind::kFolder);
  EXPECT_EQ(target, on_disk);
  EXPECT_TRUE(platform::OpenFolder(gbk_folder));
  // An address is not a folder, nor a folder an address.
  EXPECT_FALSE(platform::OpenFolder("http://example.com/"));
  EXPECT_FALSE(platform::OpenUrl(gbk_folder));
  EXPECT_TRUE(platform::ShellOpen(gbk_folder + "/"));
  ASSERT_EQ(Opened().size(), 2u);
  EXPECT_EQ(Opened()[0], on_disk);
  EXPECT_EQ(Opened()[1], on_disk);
}

TEST_F(DesktopTest, WithoutAWindowSystemNothingOpens) {
  platform::ShutdownWindowSystem();
  EXPECT_FALSE(platform::ShellOpen("http://example.com/"));
  EXPECT_EQ(problems_.size(), 1u);
  RECT area{1, 2, 3, 4};
  EXPECT_FALSE(platform::GetWorkArea(&area));
  EXPECT_EQ(area, RECT{});
}

TEST_F(DesktopTest, TheWorkAreaIsTheDesktopsAndAFlashComesOnlyWhenTheWindowIsNotInFront) {
  RECT area{};
  ASSERT_TRUE(platform::GetWorkArea(&area));
  EXPECT_EQ(area, (RECT{0, 0, 1024, 768}));
  GetHeadlessDesktop().work_area = RECT{0, 30, 1280, 1024};
  ASSERT_TRUE(platform::GetWorkArea(&area));
  EXPECT_EQ(area, (RECT{0, 30, 1280, 1024}));

  ASSERT_TRUE(OpenWindow());
  window_.SetFocus();
  EXPECT_TRUE(platform::IsForegroundWindow(&window_));
  EXPECT_FALSE(platform::FlashIfNotForeground(&window_));
  platform::LoseSystemFocus();
  EXPECT_FALSE(platform::IsForegroundWindow(&window_));
  EXPECT_TRUE(platform::FlashIfNotForeground(&window_));
  EXPECT_EQ(GetHeadlessDesktop().flashes, 1);
  EXPECT_TRUE(platform::SetForegroundWindow(&window_));
  EXPECT_EQ(GetHeadlessDesktop().raises, 1);
  EXPECT_TRUE(platform::IsForegroundWindow(&window_));
  EXPECT_FALSE(platform::FlashIfNotForeground(&window_));
  EXPECT_EQ(GetHeadlessDesktop().flashes, 1);
}

TEST_F(DesktopTest, TheInputMethodRectangleIsHandedToTheBackend) {
  EXPECT_FALSE(platform::SetTextInputRect(&window_, RECT{1, 2, 3, 4}));  // no window yet
  ASSERT_TRUE(OpenWindow());
  EXPECT_TRUE(platform::SetTextInputRect(&window_, RECT{10, 150, 210, 170}));
  EXPECT_TRUE(GetHeadlessDesktop().text_input_rect_set);
  EXPECT_EQ(GetHeadlessDesktop().text_input_rect, (RECT{10, 150, 210, 170}));
  EXPECT_FALSE(platform::FlashIfNotForeground(nullptr));
  EXPECT_FALSE(platform::SetForegroundWindow(nullptr));
}

}  // namespace
