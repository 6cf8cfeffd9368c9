// skin-gen: draws the client's default skin and writes it as resource packages.
//
//   skin-gen FOLDER    draws every picture, sound and text of the inventory and writes the
//                      packages skin-frame.qzr, skin-table.qzr and skin-sound.qzr into FOLDER
//   skin-gen --list    prints the inventory, one resource a line (kind, name, size, frames, package)
//   skin-gen --sheet FOLDER OUT.png [NAME...]
//                      draws the named pictures (all when none is named) of the packages in FOLDER
//                      side by side into a PNG file, to judge their look
//   skin-gen --help    prints this usage
// Any other argument that starts with '-' is refused (status 2), never taken for a folder; "--"
// ends the options (app/command_line.h).
//
// The build runs it so that the packages lie beside the client, which opens them at start.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/command_line.h"
#include "app/skin-gen/skin_inventory.h"
#include "app/skin-gen/skin_packer.h"
#include "app/skin-gen/skin_sheet.h"
#include "app/skin-gen/skin_sounds.h"
#include "app/skin-gen/skin_studio.h"
#include "engine/core/engine_files.h"
#include "engine/media/resource_package.h"
#include "engine/ui/font_renderer.h"
#include "platform/files.h"
#include "platform/gbk.h"

namespace {

void List() {
  for (const skin::Picture& p : skin::AllPictures()) {
    std::printf("picture\t%s\t%dx%d\t%d\t%s\n", platform::GbkToUtf8(p.name).c_str(), p.width, p.height, p.frames,
                skin::kPackageFiles[static_cast<int>(p.package)]);
  }
  for (const skin::SoundRow& s : skin::kSounds) {
    std::printf("sound\t%s\t%ums\t-\t%s\n", s.name, s.milliseconds,
                skin::kPackageFiles[static_cast<int>(skin::Package::kSound)]);
  }
  std::printf("text\t%s\t-\t-\t%s\n", platform::GbkToUtf8(skin::kEmoticonIndex).c_str(),
              skin::kPackageFiles[static_cast<int>(skin::Package::kFrame)]);
}

// The member file whose resource name is `name` + category: refuses a name the engine would
// read differently (a GBK trail byte taken for a separator, say).
bool AddMember(std::vector<skin::Member>* members, const std::string& name, const std::string& extension,
               const std::string& category, std::vector<uint8_t> bytes) {
  const std::string file = name + extension;
  if (engine::ResourceNameOf(file) != name + category) {
    std::fprintf(stderr, "skin-gen: the engine would not find %s by its name\n", platform::GbkToUtf8(name).c_str());
    return false;
  }
  members->push_back({file, std::move(bytes)});
  return true;
}

// Draws and encodes every picture on a few threads, each with its own text renderer and studio
// (a canvas selects its font and then draws: two steps that must not interleave with another
// thread's). An empty result stands for a picture that failed, said on stderr.
std::vector<std::vector<uint8_t>> DrawAll(const std::vector<skin::Picture>& pictures) {
  std::vector<std::vector<uint8_t>> encoded(pictures.size());
  std::atomic<size_t> next{0};
  auto work = [&] {
    engine::FontRenderer renderer;
    skin::Studio studio(&renderer);
    for (size_t i = next++; i < pictures.size(); i = next++) {
      const skin::Picture& p = pictures[i];
      std::string error;
      encoded[i] = skin::EncodeFrames(studio.Draw(p), skin::Studio::FrameDelay(p.look), &error);
      if (encoded[i].empty())
        std::fprintf(stderr, "skin-gen: %s: %s\n", platform::GbkToUtf8(p.name).c_str(), error.c_str());
    }
  };
  const unsigned count = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
  std::vector<std::thread> threads;
  for (unsigned t = 1; t < count; ++t) threads.emplace_back(work);
  work();
  for (std::thread& t : threads) t.join();
  return encoded;
}

constexpr char kUsage[] = "usage: skin-gen FOLDER | --list | --sheet FOLDER OUT.png [NAME...] | --help\n";

// Why a command line is no run of the generator, or empty.
std::string WrongUsage(const cli::CommandLine& line) {
  if (!line.error.empty()) return line.error;
  const size_t n = line.operands.size();
  if (line.Has("--list") && line.Has("--sheet")) return "--list and --sheet are two runs: give one";
  if (line.Has("--list")) return n == 0 ? "" : "--list takes no argument";
  if (line.Has("--sheet")) return n >= 2 ? "" : "--sheet takes a folder and a picture file";
  return n == 1 ? "" : n == 0 ? "no folder given" : "one folder is written, " + std::to_string(n) + " given";
}

}  // namespace

int main(int argc, char** argv) {
  cli::WatchStandardOutput();
  const cli::CommandLine line =
      cli::Parse(std::vector<std::string>(argv + 1, argv + argc), {{"--list"}, {"--sheet"}});
  if (line.help) return cli::ShowHelp("skin-gen", std::string("skin-gen: draws the client's default skin into resource packages.\n") + kUsage);
  if (const std::string why = WrongUsage(line); !why.empty()) {
    std::fprintf(stderr, "skin-gen: %s\n%s", why.c_str(), kUsage);
    return 2;
  }
  const std::vector<std::string>& args = line.operands;
  if (line.Has("--list")) {
    List();
    return cli::Finished("skin-gen", 0);
  }
  if (line.Has("--sheet")) return skin::WriteSheet(args[0], args[1], std::vector<std::string>(args.begin() + 2, args.end()));
  const auto started = std::chrono::steady_clock::now();
  const std::string folder = args[0];
  // The folder (made when missing) holds the members on their way into the packages.
  const std::string scratch = folder + "/skin-gen.parts";
  // The folder given is named when it cannot be made; the inner one only when it alone cannot be.
  for (const std::string& made : {folder, scratch}) {
    if (std::string why; !platform::CreateDirectories(platform::ProgramPath(made), &why)) {
      std::fprintf(stderr, "skin-gen: cannot make the folder %s (%s)\n", cli::Printable(made).c_str(), why.c_str());
      return 1;
    }
  }
  // Gone again however the run ends (it is empty by then).
  struct RemoveWhenDone {
    std::string folder;
    ~RemoveWhenDone() {
      std::error_code ec;
      std::filesystem::remove(folder, ec);
    }
  } remove_scratch{scratch};

  const std::vector<skin::Picture> pictures = skin::AllPictures();
  std::vector<std::vector<uint8_t>> encoded = DrawAll(pictures);
  std::vector<skin::Member> members[skin::kPackageCount];
  for (size_t i = 0; i < pictures.size(); ++i) {
    const skin::Picture& p = pictures[i];
    if (encoded[i].empty()) return 1;
    if (!AddMember(&members[static_cast<int>(p.package)], p.name, ".pps", ".imge", std::move(encoded[i]))) return 1;
  }
  for (const skin::SoundRow& s : skin::kSounds) {
    if (!AddMember(&members[static_cast<int>(skin::Package::kSound)], s.name, ".wav", ".sound",
                   skin::SynthesiseWave(s))) {
      return 1;
    }
  }
  const std::string index = skin::EmoticonIndexText();
  const std::string index_title = engine::GetFileTitle(skin::kEmoticonIndex);
  if (!AddMember(&members[static_cast<int>(skin::Package::kFrame)], index_title, ".txt", ".text",
                 std::vector<uint8_t>(index.begin(), index.end()))) {
    return 1;
  }

  size_t total = 0;
  for (int k = 0; k < skin::kPackageCount; ++k) {
    std::string error;
    if (!skin::WritePackage(folder + "/" + skin::kPackageFiles[k], members[k], scratch, &error)) {
      std::fprintf(stderr, "skin-gen: %s\n", cli::Printable(error).c_str());
      return 1;
    }
    total += members[k].size();
  }
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();
  std::printf("skin-gen: %zu resources in %d packages, %lld ms\n", total, skin::kPackageCount,
              static_cast<long long>(ms));
  return cli::Finished("skin-gen", 0);
}
