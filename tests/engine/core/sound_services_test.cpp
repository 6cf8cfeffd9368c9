// ctest-labels: widgets sound
// Objects reach the music module through their services: a sound plays, its end reaches the
// object that asked, and without a music module every service answers 0 and does nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "engine/core/game_core.h"
#include "engine/core/object_module.h"
#include "engine/core/object_services.h"
#include "engine/media/music_module.h"
#include "engine/media/resource_module.h"
#include "platform/sound_channel_null.h"
#include "tests/support/engine_doubles.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/wave_file.h"

namespace {

using namespace engine;

constexpr uint32_t kDone = 80000100;

class SoundServicesTest : public test::EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    platform::InstallSoundBackend(&backend_);
    core_ = std::make_unique<GameCore>();
    core_->SetDefaultSettings();
    resources_ = new ResourceModule();
    objects_ = new ObjectModule();
    ASSERT_EQ(core_->LoadModule(resources_, true, true), QUILLARON_RETURN_OK);
    ASSERT_EQ(core_->LoadModule(objects_, true, false), QUILLARON_RETURN_OK);
    services_ = new ObjectServices();
    objects_->AddObject(services_, nullptr);
    listener_ = new test::TestObject();
    objects_->AddObject(listener_, nullptr);

    const std::vector<uint8_t> wave = test_support::MakeWave(100);
    auto* block = new uint8_t[wave.size()];
    std::memcpy(block, wave.data(), wave.size());
    resources_->RegisterMemory("ding.wav", block, static_cast<uint32_t>(wave.size()));
  }
  void TearDown() override {
    core_.reset();
    platform::InstallSoundBackend(nullptr);
    EngineFixture::TearDown();
  }
  void LoadMusic() { ASSERT_EQ(core_->LoadModule(new MusicModule(), true, false), QUILLARON_RETURN_OK); }
  void Run(uint32_t ms) {
    for (uint32_t t = 0; t < ms; t += 5) {
      Step(5);
      core_->RunFrame();
    }
  }
  int Received(uint32_t id) const { return listener_->Count(id); }

  platform::NullSoundBackend backend_;
  std::unique_ptr<GameCore> core_;
  ResourceModule* resources_ = nullptr;
  ObjectModule* objects_ = nullptr;
  ObjectServices* services_ = nullptr;
  test::TestObject* listener_ = nullptr;
};

TEST_F(SoundServicesTest, ASoundPlaysAndItsEndReachesTheObjectThatAsked) {
  LoadMusic();
  ASSERT_NE(services_->GetMusicModule(), nullptr);
  const ObjectMessage done = MakeMessage(listener_->GetKey(), kDone, 0, 0);
  EXPECT_NE(services_->PlaySound("ding.wav", 1, &done), 0u);
  Run(50);
  EXPECT_EQ(Received(kDone), 0);
  Run(400);
  EXPECT_EQ(Received(kDone), 1);
}

TEST_F(SoundServicesTest, SoundOffSilencesEveryPlay) {
  LoadMusic();
  services_->SetSoundOff(true);
  const ObjectMessage done = MakeMessage(listener_->GetKey(), kDone, 0, 0);
  EXPECT_EQ(services_->PlaySound("ding.wav", 1, &done), 0u);
  services_->SetSoundOff(false);
  EXPECT_NE(services_->PlaySound("ding.wav", 1, nullptr), 0u);
  services_->StopAllSounds();
}

TEST_F(SoundServicesTest, WithoutAMusicModuleEveryServiceAnswersNothing) {
  const ObjectMessage done = MakeMessage(listener_->GetKey(), kDone, 0, 0);
  EXPECT_EQ(services_->GetMusicModule(), nullptr);
  EXPECT_EQ(services_->PlaySound("ding.wav", 1, &done), 0u);
  EXPECT_EQ(services_->StopSound(1), 0u);
  EXPECT_EQ(services_->PauseSound(1), 0u);
  EXPECT_EQ(services_->ResumeSound(1, 0), 0u);
  services_->UnloadSound("ding.wav");
  services_->StopAllSounds();
  services_->SetSoundOff(true);
  Run(200);
  EXPECT_EQ(Received(kDone), 0);
}

}  // namespace
