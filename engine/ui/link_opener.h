// Where the rich-text views hand the target of a link the user clicked.
//
// Link targets mostly come from other players' chat, so they are checked here before anything
// else sees them, and they are never run nor given to a shell. A view asks for one of two things:
//   a web page:     only "http://" or "https://" addresses of printable ASCII without blanks,
//                   quotes or angle brackets are passed on;
//   a local folder: only an absolute path ("/...", or "\..." as the program spells its own
//                   folders, or Windows "X:\...") of printable text that names an existing
//                   folder is passed on.
// Everything else is refused with a log line that shows the target cut short and made printable.
// A checked target goes to the platform (platform/shell_open.h: the desktop's browser or file
// manager in a child process, which checks it once more; recorded only, headless), or to the
// opener a test installed in its place.
#pragma once

#include <string>
#include <string_view>

namespace engine {

enum class LinkTargetKind { kWebPage = 1, kLocalFolder = 2 };

// Shows a checked target; true when it was handed on.
using LinkOpener = bool (*)(LinkTargetKind kind, const std::string& target);

// Installs an opener in place of the platform's (null: the platform's again) and returns the one
// installed before.
LinkOpener SetLinkOpener(LinkOpener opener);

// Longest target passed on, in bytes.
inline constexpr size_t kMaxLinkTarget = 2048;

bool IsSafeWebAddress(std::string_view target);
// An absolute path in either spelling; says nothing about whether it exists.
bool IsLocalPath(std::string_view target);

// Checks the target for its kind and hands it to the opener; false when refused.
bool OpenWebPage(std::string_view target);
bool OpenLocalFolder(std::string_view target);

// Installs an opener for its lifetime (tests).
class ScopedLinkOpener {
 public:
  explicit ScopedLinkOpener(LinkOpener opener) : previous_(SetLinkOpener(opener)) {}
  ~ScopedLinkOpener() { SetLinkOpener(previous_); }
  ScopedLinkOpener(const ScopedLinkOpener&) = delete;
  ScopedLinkOpener& operator=(const ScopedLinkOpener&) = delete;

 private:
  LinkOpener previous_;
};

}  // namespace engine
