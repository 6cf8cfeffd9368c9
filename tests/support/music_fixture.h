// A core with the resource module, a stand-in object module that records what it is posted, and a
// music module of the test's choice, on null sound channels and a recording MIDI sink.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/game_core.h"
#include "engine/core/object_message.h"
#include "engine/core/object_module.h"
#include "engine/media/midi_stream_player.h"
#include "engine/media/music_module.h"
#include "engine/media/resource_module.h"
#include "platform/midi_recorder.h"
#include "platform/midi_sink.h"
#include "platform/sound_channel_null.h"
#include "tests/support/engine_doubles.h"
#include "tests/support/engine_fixture.h"

namespace test {

template <typename Music>
class MusicFixture : public EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    platform::InstallSoundBackend(&backend_);
    platform::SetMidiMapperSink(&recorder_);
  }
  void TearDown() override {
    if (core_) {
      Run(50);  // delivers what is still posted, so that every message copy is collected
      core_.reset();
    }
    for (engine::ObjectMessage* message : posted_) delete message;
    platform::SetMidiMapperSink(nullptr);
    platform::InstallSoundBackend(nullptr);
    EngineFixture::TearDown();
  }

  // Loads the three modules into a new core.
  void StartCore() {
    core_ = std::make_unique<engine::GameCore>();
    resources_ = new engine::ResourceModule();
    objects_ = new FakeModule(engine::module_id::kObject, "Objects");
    ASSERT_EQ(core_->LoadModule(resources_, true, true), engine::QUILLARON_RETURN_OK);
    ASSERT_EQ(core_->LoadModule(objects_, true, false), engine::QUILLARON_RETURN_OK);
    ASSERT_EQ(core_->LoadModule(new Music(), true, false), engine::QUILLARON_RETURN_OK);
    music_ = dynamic_cast<Music*>(core_->FindModule(engine::MusicModule::kId));
    ASSERT_NE(music_, nullptr);
  }

  // A sound the resource module holds in memory only: it cannot read it again.
  void AddMemorySound(const std::string& file_name, const std::vector<uint8_t>& bytes) {
    auto* block = new uint8_t[bytes.size()];
    std::memcpy(block, bytes.data(), bytes.size());
    resources_->RegisterMemory(file_name, block, static_cast<uint32_t>(bytes.size()));
  }

  // Runs the 5 ms frames of the host window's timer; what the object module was posted is
  // collected (it takes its events when it ticks, every 10 ms or so).
  void Run(uint32_t ms) {
    for (uint32_t t = 0; t < ms; t += 5) {
      Step(5);
      core_->RunFrame();
      if (engine::MidiStreamPlayer* player = music_->GetMidiPlayer()) player->WaitUntilSettled();
      for (const HandledEvent& event : objects_->handled) {
        ASSERT_EQ(event.code, engine::object_event::kHeapMessage);
        ASSERT_EQ(event.p2, 0u);
        posted_.push_back(reinterpret_cast<engine::ObjectMessage*>(event.p1));
      }
      objects_->handled.clear();
    }
  }

  platform::NullSoundBackend backend_;
  platform::MidiRecorder recorder_;
  std::unique_ptr<engine::GameCore> core_;
  engine::ResourceModule* resources_ = nullptr;
  FakeModule* objects_ = nullptr;
  Music* music_ = nullptr;
  std::vector<engine::ObjectMessage*> posted_;
};

}  // namespace test
