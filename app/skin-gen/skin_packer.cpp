#include "app/skin-gen/skin_packer.h"

#include <cstring>
#include <filesystem>
#include <set>

#include "engine/core/colour_key.h"
#include "engine/core/engine_files.h"
#include "engine/core/name_key.h"
#include "engine/media/image_record.h"
#include "engine/media/pps_picture.h"
#include "engine/media/resource_package.h"
#include "platform/files.h"
#include "platform/gbk.h"

namespace skin {

std::vector<uint8_t> EncodeFrames(const std::vector<std::unique_ptr<Frame>>& frames, uint32_t delay_ms,
                                  std::string* error) {
  if (frames.empty()) {
    *error = "no frames";
    return {};
  }
  const int w = frames[0]->width();
  const int h = frames[0]->height();
  const size_t frame_words = static_cast<size_t>(w) * h;
  std::vector<uint32_t> block(frame_words * frames.size());
  bool see_through = false;
  for (size_t f = 0; f < frames.size(); ++f) {
    const uint32_t* px = frames[f]->pixels();
    if (px == nullptr || frames[f]->width() != w || frames[f]->height() != h) {
      *error = "a frame has no pixels or another size";
      return {};
    }
    std::memcpy(&block[f * frame_words], px, frame_words * 4);
    for (size_t i = 0; i < frame_words && !see_through; ++i) see_through = (px[i] >> 24) != 0xFF;
  }
  std::vector<uint32_t> delays(frames.size(), delay_ms);
  engine::ImageRecord record;
  record.width = static_cast<uint16_t>(w);
  record.height = static_cast<uint16_t>(h);
  record.pixels = reinterpret_cast<uint8_t*>(block.data());
  record.data_size = static_cast<uint32_t>(block.size() * 4);
  record.colour_key = engine::kColourKey;
  record.frame_count = static_cast<uint16_t>(frames.size());
  record.frame_columns = 1;
  if (see_through) record.flags |= engine::kImageFlagTransparent | engine::kImageFlagAlpha;
  if (delay_ms > 0 && frames.size() > 1) {
    record.flags |= engine::kImageFlagDelays;
    record.delays = delays.data();
  }
  // The record borrows the block and the delays: it is not freed.
  return engine::EncodePicture(record, nullptr, engine::kPpsCodecZlib, error);
}

bool WritePackage(const std::string& path, const std::vector<Member>& members, const std::string& scratch,
                  std::string* error) {
  std::set<engine::NameKey> names;
  for (const Member& m : members) {
    if (!names.insert(engine::MakeNameKey(engine::ResourceNameOf(m.file_name))).second) {
      *error = "two members of " + path + " are named " + platform::GbkToUtf8(engine::ResourceNameOf(m.file_name));
      return false;
    }
  }
  const std::string package_name = std::filesystem::path(path).stem().string();
  engine::ResourcePackage package(package_name, static_cast<uint32_t>(members.size()), 0, 0, 0);
  std::error_code ec;
  std::filesystem::create_directories(scratch, ec);
  // Scratch files have plain names: the member's own name goes into the package's table.
  auto staged = [&](size_t i) { return scratch + "/m" + std::to_string(i) + ".bin"; };
  size_t written = 0;  // the scratch files made, removed again whatever comes of the package
  bool ok = true;
  while (ok && written < members.size()) {
    const Member& m = members[written];
    const std::string file_gbk = platform::ProgramPath(staged(written));
    if (!platform::WriteFileAtomic(file_gbk, m.bytes.data(), m.bytes.size(), error)) break;
    if (package.AddFile(m.file_name, file_gbk, nullptr, 0, 0) == 0) {
      *error = "cannot read " + staged(written) + " back";
      ok = false;
    }
    ++written;
  }
  ok = ok && written == members.size();
  std::string reason;
  const uint32_t packed = ok ? package.Pack(platform::ProgramPath(path), 1, &reason) : 0;
  for (size_t i = 0; i < written; ++i) std::filesystem::remove(staged(i), ec);
  if (!ok) return false;
  if (packed != members.size() || !reason.empty()) {
    *error = reason.empty() ? "cannot write " + path : platform::GbkToUtf8(reason);
    return false;
  }
  return true;
}

}  // namespace skin
