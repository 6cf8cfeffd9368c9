#include "frame/emoticon_index.h"

#include "engine/core/engine_log.h"
#include "engine/core/value.h"
#include "platform/gbk.h"

namespace frame {
namespace {

// Takes one "name=number" piece; a piece without '=' is skipped.
void TakeEntry(std::string_view piece, std::vector<EmoticonIndexEntry>* entries) {
  const size_t equals = piece.find('=');
  if (equals == std::string_view::npos) return;
  const std::string_view name = piece.substr(0, equals);
  if (name.empty()) {
    engine::WriteGameLog("emoticon index: an entry without a name is skipped");
    return;
  }
  if (!IsWholeGbkText(name)) {
    engine::WriteGameLog("emoticon index: entry %zu has a name cut inside a character; skipped", entries->size() + 1);
    return;
  }
  const std::string number(piece.substr(equals + 1));
  entries->push_back(EmoticonIndexEntry{std::string(name), engine::Value(number.c_str()).AsInt()});
}

}  // namespace

bool IsWholeGbkText(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (!platform::IsDBCSLeadByte(static_cast<uint8_t>(text[i]))) continue;
    if (i + 1 >= text.size() || !platform::IsGbkTrailByte(static_cast<uint8_t>(text[i + 1]))) return false;
    ++i;
  }
  return true;
}

std::vector<EmoticonIndexEntry> ParseEmoticonIndex(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  std::vector<EmoticonIndexEntry> entries;
  size_t start = 0;
  for (;;) {
    const size_t bar = text.find('|', start);
    if (bar == std::string_view::npos) break;
    TakeEntry(text.substr(start, bar - start), &entries);
    start = bar + 1;
  }
  if (start < text.size()) TakeEntry(text.substr(start), &entries);
  return entries;
}

}  // namespace frame
