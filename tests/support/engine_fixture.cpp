#include "tests/support/engine_fixture.h"

#include <cstdlib>
#include <fstream>

#include "platform/files.h"
#include "platform/message_box.h"

namespace test {

void EngineFixture::SetUp() {
  dir_ = std::filesystem::current_path() /
         ("exe_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
  std::filesystem::remove_all(dir_);
  std::filesystem::create_directories(dir_);
  setenv("ZP_EXE_DIR", (dir_.string() + "/").c_str(), 1);
  platform::ResetExecutableDirectory();
  clock_->SetLocalTime({2026, 12, 6, 9, 0, 0, 0});
  platform::SetMessageBoxHandler([this](const std::string& text, const std::string&, unsigned) {
    message_boxes_.push_back(text);
    return platform::IDOK;
  });
}

void EngineFixture::TearDown() {
  platform::SetMessageBoxHandler(nullptr);
  platform::ResetExecutableDirectory();
}

std::string EngineFixture::GameLog() const {
  std::ifstream in(dir_ / "Game20261206.log", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace test

namespace test {

void SceneFixture::SetUp() {
  EngineFixture::SetUp();
  core_ = std::make_unique<engine::GameCore>();
  objects_ = new engine::ObjectModule();
  paint_ = new RecordingPaintModule();
  ASSERT_EQ(core_->LoadModule(objects_, true, false), engine::QUILLARON_RETURN_OK);
  ASSERT_EQ(core_->LoadModule(paint_, true, true), engine::QUILLARON_RETURN_OK);
  objects_->SetViewCentre(400, 300);
  objects_->SetViewSize(800, 600);
}

void SceneFixture::TearDown() {
  core_.reset();
  EngineFixture::TearDown();
}

TestObject* SceneFixture::Add(double x, double y, double w, double h) {
  auto* object = new TestObject();
  objects_->AddObject(object, nullptr);
  object->Place(x, y, w, h);
  return object;
}

}  // namespace test
