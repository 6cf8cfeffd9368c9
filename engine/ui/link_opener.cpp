#include "engine/ui/link_opener.h"

#include <atomic>
#include <cstdint>

#include "engine/core/engine_log.h"
#include "platform/files.h"
#include "platform/shell_open.h"

namespace engine {
namespace {

std::atomic<LinkOpener> g_opener{nullptr};

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

// The target as a log may show it: at most 120 bytes, control bytes as '?'.
std::string Printable(std::string_view target) {
  std::string out;
  for (size_t i = 0; i < target.size() && out.size() < 120; ++i) {
    const auto c = static_cast<uint8_t>(target[i]);
    out.push_back(c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c));
  }
  if (target.size() > out.size()) out += "...";
  return out;
}

bool Refuse(const char* what, std::string_view target) {
  WriteGameLog("link target refused (%s): %s", what, Printable(target).c_str());
  return false;
}

bool HandOn(LinkTargetKind kind, std::string_view target) {
  if (const LinkOpener opener = g_opener.load()) return opener(kind, std::string(target));
  return kind == LinkTargetKind::kWebPage ? platform::OpenUrl(target) : platform::OpenFolder(target);
}

}  // namespace

LinkOpener SetLinkOpener(LinkOpener opener) { return g_opener.exchange(opener); }

bool IsSafeWebAddress(std::string_view target) {
  if (target.empty() || target.size() > kMaxLinkTarget) return false;
  size_t scheme = 0;
  if (StartsWithNoCase(target, "http://")) {
    scheme = 7;
  } else if (StartsWithNoCase(target, "https://")) {
    scheme = 8;
  } else {
    return false;
  }
  if (target.size() == scheme) return false;
  for (char ch : target) {
    const auto c = static_cast<uint8_t>(ch);
    if (c <= 0x20 || c >= 0x7F) return false;
    switch (c) {
      case '"':
      case '\'':
      case '<':
      case '>':
      case '\\':
      case '`':
      case '^':
      case '{':
      case '}':
      case '|':
        return false;
      default:
        break;
    }
  }
  return true;
}

bool IsLocalPath(std::string_view target) {
  if (target.empty() || target.size() > kMaxLinkTarget) return false;
  // The system's own root, spelt either way: "/home/x/temp/", or "\home\x\temp\" as the program
  // writes its own folders.
  if (target[0] == '/' || target[0] == '\\') return true;
  const char drive = target.size() > 2 ? target[0] : '\0';
  return ((drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z')) && target[1] == ':' &&
         (target[2] == '\\' || target[2] == '/');
}

bool OpenWebPage(std::string_view target) {
  if (!IsSafeWebAddress(target)) return Refuse("not an http or https address", target);
  return HandOn(LinkTargetKind::kWebPage, target);
}

bool OpenLocalFolder(std::string_view target) {
  if (!IsLocalPath(target)) return Refuse("not an absolute path", target);
  for (char ch : target) {
    const auto c = static_cast<uint8_t>(ch);
    if (c < 0x20 || c == 0x7F) return Refuse("control character in the path", target);
  }
  if (!platform::IsDirectory(std::string(target))) return Refuse("no such folder", target);
  return HandOn(LinkTargetKind::kLocalFolder, target);
}

}  // namespace engine
