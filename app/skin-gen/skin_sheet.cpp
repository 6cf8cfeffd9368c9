#include "app/skin-gen/skin_sheet.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "app/command_line.h"
#include "app/skin-gen/skin_canvas.h"
#include "engine/media/image_record.h"
#include "engine/media/pps_picture.h"
#include "engine/media/resource_package.h"
#include "platform/files.h"
#include "platform/gbk.h"
#include "platform/picture_decoder.h"
#include "platform/png_file.h"

namespace skin {
namespace {

constexpr int kSheetWidth = 1400;
constexpr int kGap = 6;
constexpr int kLabelHeight = 16;

struct Decoded {
  std::string name;
  engine::ImageRecord record;
};

}  // namespace

int WriteSheet(const std::string& folder, const std::string& out_png, const std::vector<std::string>& names) {
  const std::vector<Picture> inventory = AllPictures();
  for (const std::string& name : names) {
    if (std::none_of(inventory.begin(), inventory.end(),
                     [&](const Picture& p) { return platform::GbkToUtf8(p.name) == name; })) {
      std::fprintf(stderr, "skin-gen: %s is no picture of the skin (skin-gen --list names them)\n",
                   cli::Printable(name).c_str());
      return 1;
    }
  }
  std::vector<std::unique_ptr<engine::ResourcePackage>> packages;
  for (const char* file : kPackageFiles) {
    const std::string path = folder + "/" + file;
    packages.push_back(std::make_unique<engine::ResourcePackage>(platform::ProgramPath(path)));
    if (!packages.back()->IsOpen()) {
      const std::string why = platform::NamedOnce(packages.back()->error(), platform::ProgramPath(path), path);
      std::fprintf(stderr, "skin-gen: %s\n", cli::Printable(why).c_str());
      return 1;
    }
  }
  std::vector<Decoded> pictures;
  bool missing = false;
  for (const Picture& p : inventory) {
    if (!names.empty() && std::find(names.begin(), names.end(), platform::GbkToUtf8(p.name)) == names.end()) continue;
    std::vector<uint8_t> bytes;
    for (auto& package : packages) {
      if (package->LoadEntryByName(p.name + ".imge", &bytes)) break;
    }
    Decoded d{p.name, {}};
    if (bytes.empty() || engine::DecodePicture(bytes.data(), bytes.size(), &d.record) == 0) {
      std::fprintf(stderr, "skin-gen: %s is not in the packages\n", platform::GbkToUtf8(p.name).c_str());
      missing = true;
      continue;
    }
    pictures.push_back(std::move(d));
  }
  // A sheet of nothing is no sheet.
  if (pictures.empty()) return 1;
  // Lay the pictures out in rows, each with its frames side by side under its name.
  struct Place {
    int x, y;
  };
  std::vector<Place> places;
  int x = kGap, y = kGap, row_height = 0;
  for (const Decoded& d : pictures) {
    const int w = std::min(kSheetWidth - 2 * kGap, (d.record.width + kGap) * d.record.frame_count);
    const int h = d.record.height * ((d.record.width + kGap) * d.record.frame_count / (kSheetWidth - 2 * kGap) + 1) +
                  kLabelHeight;
    if (x + w > kSheetWidth - kGap) {
      x = kGap;
      y += row_height + kGap;
      row_height = 0;
    }
    places.push_back({x, y});
    x += w + 2 * kGap;
    row_height = std::max(row_height, h);
  }
  const int height = std::min(30000, y + row_height + kGap);
  engine::FontRenderer renderer;
  Frame sheet(kSheetWidth, height, &renderer);
  // Half felt, half light paper, so that both kinds of picture can be judged.
  sheet.FillRect(0, 0, kSheetWidth / 2.0f, static_cast<float>(height), Paint::Solid(Rgb(0x2B6A4A)));
  sheet.FillRect(kSheetWidth / 2.0f, 0, kSheetWidth, static_cast<float>(height), Paint::Solid(Rgb(0xE8E0D0)));
  for (size_t i = 0; i < pictures.size(); ++i) {
    const engine::ImageRecord& r = pictures[i].record;
    const int frame_bytes = r.width * r.height * 4;
    sheet.Caption(pictures[i].name, places[i].x + 60.0f, places[i].y + 7.0f, {12, 400}, Rgb(0x101010), Rgb(0xFFFFFF));
    int fx = places[i].x;
    int fy = places[i].y + kLabelHeight;
    for (int f = 0; f < r.frame_count; ++f) {
      if (fx + r.width > kSheetWidth - kGap) {
        fx = places[i].x;
        fy += r.height + 2;
      }
      const uint8_t* px = r.pixels + static_cast<size_t>(f) * frame_bytes;
      for (int yy = 0; yy < r.height; ++yy) {
        for (int xx = 0; xx < r.width; ++xx) {
          const uint8_t* p = px + (static_cast<size_t>(yy) * r.width + xx) * 4;
          sheet.Blend(fx + xx, fy + yy, Rgba{p[2], p[1], p[0], p[3]}, 1.0f);
        }
      }
      fx += r.width + kGap;
    }
    engine::FreePictureRecord(&pictures[i].record);
  }
  std::vector<uint8_t> bgra(static_cast<size_t>(kSheetWidth) * height * 4);
  for (int yy = 0; yy < height; ++yy) {
    for (int xx = 0; xx < kSheetWidth; ++xx) {
      const Rgba c = sheet.Get(xx, yy);
      uint8_t* p = &bgra[(static_cast<size_t>(yy) * kSheetWidth + xx) * 4];
      p[0] = c.b;
      p[1] = c.g;
      p[2] = c.r;
      p[3] = 255;
    }
  }
  std::string error;
  if (!platform::SavePng(platform::ProgramPath(out_png), kSheetWidth, height, bgra.data(), &error)) {
    std::fprintf(stderr, "skin-gen: %s\n", cli::Printable(error).c_str());
    return 1;
  }
  // The pictures found are on the sheet; one that is missing makes the run fail.
  return missing ? 1 : 0;
}

}  // namespace skin
