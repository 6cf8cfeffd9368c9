// Turns drawn frames into .pps pictures and packs members into a .qzr package with the engine's
// own encoder and package writer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/skin-gen/skin_canvas.h"

namespace skin {

// One member: its file name (GBK; the extension gives the resource's category) and its bytes.
struct Member {
  std::string file_name;
  std::vector<uint8_t> bytes;
};

// The frames stacked into one picture with the colour key 0xFF00FF: a picture with any pixel
// not fully opaque keeps its alpha and is marked transparent. delay_ms > 0 gives every frame of
// an animation that delay. Empty when the encoder refuses (the reason in *error).
std::vector<uint8_t> EncodeFrames(const std::vector<std::unique_ptr<Frame>>& frames, uint32_t delay_ms,
                                  std::string* error);

// Writes the members as a package at path (UTF-8); each member is first written into the
// scratch folder (UTF-8, made when missing) and packed from there. False, with the reason in *error, when two
// members share a resource name or the package cannot be written.
bool WritePackage(const std::string& path, const std::vector<Member>& members, const std::string& scratch,
                  std::string* error);

}  // namespace skin
