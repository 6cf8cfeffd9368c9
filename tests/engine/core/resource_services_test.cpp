// ctest-labels: widgets
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <vector>

#include "engine/core/colour_key.h"
#include "engine/core/game_core.h"
#include "engine/core/name_key.h"
#include "engine/core/object_module.h"
#include "engine/core/object_services.h"
#include "engine/media/resource_module.h"
#include "engine/media/resource_package.h"
#include "platform/files.h"
#include "tests/support/engine_fixture.h"

namespace {

class ResourceServicesTest : public test::EngineFixture {
 protected:
  void SetUp() override {
    EngineFixture::SetUp();
    core_ = std::make_unique<engine::GameCore>();
    resources_ = new engine::ResourceModule();
    objects_ = new engine::ObjectModule();
    ASSERT_EQ(core_->LoadModule(resources_, true, false), engine::QUILLARON_RETURN_OK);
    ASSERT_EQ(core_->LoadModule(objects_, true, false), engine::QUILLARON_RETURN_OK);
    services_ = new engine::ObjectServices();
    objects_->AddObject(services_, nullptr);
  }
  void TearDown() override {
    core_.reset();
    EngineFixture::TearDown();
  }

  std::unique_ptr<engine::GameCore> core_;
  engine::ResourceModule* resources_ = nullptr;
  engine::ObjectModule* objects_ = nullptr;
  engine::ObjectServices* services_ = nullptr;
};

TEST_F(ResourceServicesTest, FilesRegisterAndTheirBytesAreFoundByName) {
  const auto path = dir_ / "note.txt";
  std::ofstream(path, std::ios::binary) << "abc";
  EXPECT_EQ(services_->GetResourceModule(), resources_);
  const uint32_t first_word = services_->RegisterResourceFile(path.string().c_str(), nullptr);
  EXPECT_NE(first_word, 0u);
  EXPECT_EQ(resources_->ResourceCount(), 1u);
  EXPECT_EQ(services_->RegisterResourceFile((dir_ / "absent.txt").string().c_str(), nullptr), 0u);
  EXPECT_EQ(services_->GetResourceData("never-registered"), nullptr);
  EXPECT_EQ(services_->GetResourceData(nullptr), nullptr);
}

TEST_F(ResourceServicesTest, OpeningAPackageAnswersWhetherItOpened) {
  const std::string member = (dir_ / "member.txt").string();
  ASSERT_TRUE(platform::WriteFileAtomic(member, "abc", 3));
  engine::ResourcePackage package("test", 1, 0, 0, 0);
  ASSERT_GT(package.AddFile("member.txt", member, nullptr, 0, 0), 0u);
  const std::string path = (dir_ / "skin.qzr").string();
  ASSERT_EQ(package.Pack(path, 1), 1u);
  EXPECT_TRUE(services_->OpenResourcePackage(path.c_str()));
  EXPECT_EQ(resources_->ResourceCount(), 1u);
  EXPECT_FALSE(services_->OpenResourcePackage((dir_ / "absent.qzr").string().c_str()));
}

TEST_F(ResourceServicesTest, APackageImageIsReadOnlyWithinTheSizeGiven) {
  std::vector<uint8_t> junk(300, 0);
  junk[104] = 0xFF;  // its table claims more than the image holds
  EXPECT_FALSE(services_->OpenResourcePackageImage(junk.data(), junk.size()));
  EXPECT_EQ(resources_->ResourceCount(), 0u);
}

TEST_F(ResourceServicesTest, ServicesWithoutTheirModuleDoNothing) {
  engine::ObjectServices loose;
  EXPECT_EQ(loose.GetResourceModule(), nullptr);
  EXPECT_EQ(loose.RegisterResourceFile("x", nullptr), 0u);
  EXPECT_FALSE(loose.OpenResourcePackage("x.qzr"));
  EXPECT_EQ(loose.GetPaintModule(), nullptr);
  EXPECT_EQ(loose.GetScreenWidth(), 0);
  EXPECT_EQ(loose.GetPictureInfo("x", 0).record, nullptr);
  EXPECT_FALSE(loose.SavePicture("x", "y.pps"));
  EXPECT_EQ(loose.PlaySound("x", 1, nullptr), 0u);
  EXPECT_EQ(loose.CreateCanvas(4, 4, engine::kColourKey), nullptr);
  EXPECT_EQ(loose.BeginGroup(), nullptr);
  EXPECT_EQ(loose.FadeTo(&loose, 0.1, 1.0, 0, nullptr), 0u);
  loose.ShowMessageBox("x", nullptr, nullptr, 0);
  loose.ShowSystemBoard("x", 1);
  EXPECT_EQ(loose.GetSystemBoard(), nullptr);
  EXPECT_EQ(services_->GetScreenWidth(), 0) << "no paint module loaded";
}

}  // namespace
