// The file dialog stand-in: the system's dialog that asks the user for a file to open or save.
//
// There is no such dialog in the window layer (SDL2 offers none): a handler, set by a test or by a
// front end that can show one, picks the file. Without a handler the dialog is cancelled, and a
// line says so.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

// Flags of the dialog.
constexpr uint32_t OFN_OVERWRITEPROMPT = 0x2;  // ask before a file is replaced
constexpr uint32_t OFN_HIDEREADONLY = 0x4;     // no read-only check box

struct FileDialogRequest {
  bool open = true;               // the open kind; false: the save kind
  std::string default_extension;  // added to a name typed without one
  std::string file_name;          // the name offered at first (GBK)
  uint32_t flags = 0;             // OFN_ bits
  std::string filter;             // "description|pattern|...|" pairs, ending in "||"
};

// Answers true and the chosen path (GBK) for OK, false for Cancel.
using FileDialogHandler = std::function<bool(const FileDialogRequest& request, std::string* path)>;
// Replaces the handler; returns the previous one.
FileDialogHandler SetFileDialogHandler(FileDialogHandler handler);

// Shows the dialog: true with the chosen path, false when it was cancelled.
bool GetFileName(const FileDialogRequest& request, std::string* path);

}  // namespace platform
