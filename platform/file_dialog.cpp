// The file dialog stand-in: the handler's answer, or a cancel with a line when there is none.
#include "platform/file_dialog.h"

#include <mutex>

#include "platform/diagnostics.h"
#include "platform/gbk.h"

namespace platform {
namespace {
std::mutex g_handler_mutex;
FileDialogHandler g_handler;
}  // namespace

bool GetFileName(const FileDialogRequest& request, std::string* path) {
  FileDialogHandler handler;
  {
    std::lock_guard lock(g_handler_mutex);
    handler = g_handler;
  }
  if (!handler) {
    ReportProblem("file dialog for %s: no dialog can be shown here; cancelled", GbkToUtf8(request.file_name).c_str());
    return false;
  }
  std::string chosen;
  if (!handler(request, &chosen) || chosen.empty()) return false;
  if (path != nullptr) *path = chosen;
  return true;
}

FileDialogHandler SetFileDialogHandler(FileDialogHandler handler) {
  std::lock_guard lock(g_handler_mutex);
  FileDialogHandler previous = std::move(g_handler);
  g_handler = std::move(handler);
  return previous;
}

}  // namespace platform
