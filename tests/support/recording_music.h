// A music module that needs no audio library: it records every sound asked of it, and which of
// them it would have played (none while muted), so that tests can read what a user would hear.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/game_core.h"
#include "engine/media/music_module.h"

namespace test {

class RecordingMusicModule : public engine::MusicModule {
 public:
  int Init() override { return 1; }
  void Exit() override {}
  void Tick() override { DrainQueue(); }
  void SetSoundOff(uint32_t off) override { muted = off; }
  uint32_t PlaySound(const char* name, uint32_t, const engine::ObjectMessage*) override {
    asked.push_back(name != nullptr ? name : "");
    if (muted != 0) return 0;
    played.push_back(asked.back());
    return static_cast<uint32_t>(played.size());
  }

  // Puts a recording module in place of the core's music module; returns it.
  static RecordingMusicModule* Install(engine::GameCore* core) {
    core->UnloadModule(kId);
    auto* music = new RecordingMusicModule();
    core->LoadModule(music, true, false);
    return music;
  }

  uint32_t muted = 0;
  std::vector<std::string> asked;
  std::vector<std::string> played;
};

}  // namespace test
