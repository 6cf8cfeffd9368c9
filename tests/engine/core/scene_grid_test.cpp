// ctest-labels: scene
#include "engine/core/scene_grid.h"

#include <gtest/gtest.h>

#include "tests/support/engine_doubles.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "engine/core/object_module.h"
#include "engine/core/rotated_rect.h"
#include "tests/support/engine_fixture.h"

namespace {

using engine::GridEntry;
using engine::ObjectGeometry;
using engine::RECT;
using engine::SceneGrid;
using test::BoxGeometry;
using test::TestObject;

std::vector<GridEntry*> Lookup(SceneGrid& grid, const RECT& rc) {
  std::vector<GridEntry*> found;
  grid.BeginLookup();
  EXPECT_TRUE(grid.Collect(rc, &found));
  return found;
}

bool Holds(const std::vector<GridEntry*>& found, const GridEntry* e) {
  return std::find(found.begin(), found.end(), e) != found.end();
}

TEST(SceneGridTest, TheReachHoldsEveryAreaThatATurnedOrUnturnedOutlineMeets) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> place(100.0, 300.0);
  std::uniform_real_distribution<double> size(0.0, 80.0);
  std::uniform_int_distribution<int> corner(0, 400);
  std::uniform_int_distribution<int> extent(1, 40);
  const double angles[] = {0.0, 0.5, 30.0, 45.0, 90.0, 135.0, 180.0, -60.0, 359.0};
  int met = 0;
  for (int i = 0; i < 20000; ++i) {
    const ObjectGeometry g = BoxGeometry(place(rng), place(rng), size(rng), size(rng), angles[i % 9]);
    RECT reach;
    const engine::Reach kind = SceneGrid::ReachOf(g, &reach);
    ASSERT_EQ(kind, g.angle == 0.0 ? engine::Reach::kBox : engine::Reach::kNear);
    const int l = corner(rng), t = corner(rng);
    const RECT rc{l, t, l + extent(rng), t + extent(rng)};
    const bool meets = engine::GeometryIntersectsRect(rc, g);
    // The box of an unturned object answers exactly; a turned one's reach holds every meeting.
    if (kind == engine::Reach::kBox) {
      ASSERT_EQ(SceneGrid::MayMeet(kind, reach, rc), meets)
          << g.x << "," << g.y << " " << g.width << "x" << g.height << " box " << reach.left << "," << reach.top << ","
          << reach.right << "," << reach.bottom << " area " << rc.left << "," << rc.top << "," << rc.right << ","
          << rc.bottom;
    }
    if (!meets) continue;
    ++met;
    ASSERT_TRUE(SceneGrid::MayMeet(kind, reach, rc))
        << "object at " << g.x << "," << g.y << " size " << g.width << "x" << g.height << " angle " << g.angle
        << " meets " << rc.left << "," << rc.top << "," << rc.right << "," << rc.bottom;
  }
  EXPECT_GT(met, 500);
}

TEST(SceneGridTest, APlaceThatIsNotANumberOrFarOutMayMeetAnything) {
  RECT reach;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(SceneGrid::ReachOf(BoxGeometry(nan, 10, 10, 10), &reach), engine::Reach::kAnywhere);
  EXPECT_EQ(SceneGrid::ReachOf(BoxGeometry(10, 10, std::numeric_limits<double>::infinity(), 10), &reach),
            engine::Reach::kAnywhere);
  EXPECT_EQ(SceneGrid::ReachOf(BoxGeometry(1e12, 10, 10, 10), &reach), engine::Reach::kAnywhere);
  EXPECT_EQ(SceneGrid::ReachOf(BoxGeometry(10, 10, 10, 10, nan), &reach), engine::Reach::kAnywhere);

  SceneGrid grid;
  grid.Reset(RECT{0, 0, 800, 600});
  GridEntry lost;
  grid.Place(&lost, BoxGeometry(std::numeric_limits<double>::quiet_NaN(), 0, 10, 10));
  EXPECT_TRUE(Holds(Lookup(grid, RECT{0, 0, 1, 1}), &lost));
  EXPECT_TRUE(Holds(Lookup(grid, RECT{700, 500, 800, 600}), &lost));
  grid.Place(&lost, BoxGeometry(400, 300, 10, 10));
  EXPECT_FALSE(Holds(Lookup(grid, RECT{0, 0, 1, 1}), &lost));
}

TEST(SceneGridTest, EntriesAreFoundWhereTheyAreNowAndOnceALookup) {
  SceneGrid grid;
  grid.Reset(RECT{0, 0, 800, 600});
  GridEntry a, b, wide;
  grid.Place(&a, BoxGeometry(50, 50, 10, 10));
  grid.Place(&b, BoxGeometry(500, 400, 10, 10));
  grid.Place(&wide, BoxGeometry(400, 300, 800, 600));
  std::vector<GridEntry*> found = Lookup(grid, RECT{40, 40, 60, 60});
  EXPECT_TRUE(Holds(found, &a));
  EXPECT_FALSE(Holds(found, &b));
  EXPECT_TRUE(Holds(found, &wide));
  // Two areas in one look-up: each entry once.
  grid.BeginLookup();
  found.clear();
  ASSERT_TRUE(grid.Collect(RECT{40, 40, 60, 60}, &found));
  ASSERT_TRUE(grid.Collect(RECT{45, 45, 300, 300}, &found));
  EXPECT_EQ(std::count(found.begin(), found.end(), &wide), 1);
  EXPECT_EQ(std::count(found.begin(), found.end(), &a), 1);
  // Moved: found at the new place only.
  grid.Place(&a, BoxGeometry(600, 450, 10, 10));
  EXPECT_FALSE(Holds(Lookup(grid, RECT{40, 40, 60, 60}), &a));
  EXPECT_TRUE(Holds(Lookup(grid, RECT{590, 440, 610, 460}), &a));
  // Grown over the other one's place, then turned: found from further away.
  grid.Place(&a, BoxGeometry(600, 450, 200, 10));
  EXPECT_TRUE(Holds(Lookup(grid, RECT{500, 448, 502, 452}), &a));
  EXPECT_FALSE(Holds(Lookup(grid, RECT{590, 530, 610, 540}), &a));
  grid.Place(&a, BoxGeometry(600, 450, 200, 10, 90.0));
  EXPECT_TRUE(Holds(Lookup(grid, RECT{590, 530, 610, 540}), &a));
  // Removed: gone everywhere.
  grid.Remove(&a);
  EXPECT_FALSE(a.filed);
  EXPECT_FALSE(Holds(Lookup(grid, RECT{0, 0, 800, 600}), &a));
  EXPECT_TRUE(Holds(Lookup(grid, RECT{0, 0, 800, 600}), &b));
  // A reset forgets every entry.
  grid.Reset(RECT{100, 100, 900, 700});
  EXPECT_FALSE(b.filed);
  EXPECT_TRUE(Lookup(grid, RECT{100, 100, 900, 700}).empty());
}

TEST(SceneGridTest, ABigEntryIsFoundExactlyWhereverItMovesAndShrinks) {
  SceneGrid grid;
  grid.Reset(RECT{0, 0, 800, 600});
  GridEntry big;
  grid.Place(&big, BoxGeometry(400, 300, 400, 300));  // 200..600 x 150..450
  EXPECT_TRUE(big.wide);
  EXPECT_TRUE(Holds(Lookup(grid, RECT{590, 440, 610, 460}), &big));
  EXPECT_FALSE(Holds(Lookup(grid, RECT{600, 440, 610, 460}), &big)) << "its box is exact";
  grid.Place(&big, BoxGeometry(500, 300, 400, 300));  // moved right: 300..700
  EXPECT_TRUE(Holds(Lookup(grid, RECT{690, 440, 700, 460}), &big));
  EXPECT_FALSE(Holds(Lookup(grid, RECT{250, 200, 260, 210}), &big));
  grid.Place(&big, BoxGeometry(500, 300, 20, 20));  // shrunk into a few cells
  EXPECT_FALSE(big.wide);
  EXPECT_TRUE(Holds(Lookup(grid, RECT{495, 295, 505, 305}), &big));
  EXPECT_FALSE(Holds(Lookup(grid, RECT{690, 440, 700, 460}), &big));
  grid.Place(&big, BoxGeometry(400, 300, 800, 600, 30.0));  // grown again, and turned
  EXPECT_TRUE(big.wide);
  EXPECT_TRUE(Holds(Lookup(grid, RECT{0, 0, 5, 5}), &big));
  grid.Remove(&big);
  EXPECT_FALSE(Holds(Lookup(grid, RECT{0, 0, 800, 600}), &big));
}

TEST(SceneGridTest, AnAreaOutsideTheCoveredOneIsNotAnswered) {
  SceneGrid grid;
  std::vector<GridEntry*> found;
  grid.BeginLookup();
  EXPECT_FALSE(grid.Collect(RECT{0, 0, 10, 10}, &found));  // no cells yet
  grid.Reset(RECT{0, 0, 800, 600});
  EXPECT_FALSE(grid.Collect(RECT{-5, 0, 10, 10}, &found));
  EXPECT_FALSE(grid.Collect(RECT{790, 590, 801, 600}, &found));
  EXPECT_TRUE(grid.Collect(RECT{790, 590, 800, 600}, &found));
  EXPECT_EQ(grid.CellsTouched(RECT{0, 0, 800, 600}), grid.CellCount());
  EXPECT_EQ(grid.CellsTouched(RECT{1000, 0, 1100, 10}), 0u);
}

// The scene's paint batches, checked against a walk of every object where it is now.
class SceneIndexTest : public test::SceneFixture {
 protected:
  // The images a frame's batch must name: every drawable object of the draw list, in draw order,
  // whose outline meets one of the batch's areas.
  std::vector<engine::ImageHandle*> Expected(const test::RecordedBatch& batch) {
    std::vector<engine::ImageHandle*> images;
    for (uint32_t key : objects_->DrawOrderKeys()) {
      engine::EngineObject* object = objects_->FindObjectByKey(key);
      engine::ImageHandle* image = object->GetDrawImage();
      if (image == nullptr) continue;
      ObjectGeometry g;
      object->GetGeometry(&g);
      if (std::any_of(batch.rects.begin(), batch.rects.end(),
                      [&](const RECT& rc) { return engine::GeometryIntersectsRect(rc, g); }))
        images.push_back(image);
    }
    return images;
  }
  static std::vector<engine::ImageHandle*> Drawn(const test::RecordedBatch& batch) {
    std::vector<engine::ImageHandle*> images;
    for (const auto& item : batch.items) images.push_back(item.image);
    return images;
  }
  // One frame; its batch (empty when nothing was dirty).
  test::RecordedBatch FrameBatch() {
    paint_->batches.clear();
    Frame();
    EXPECT_LE(paint_->batches.size(), 1u);
    return paint_->batches.empty() ? test::RecordedBatch{} : paint_->batches.back();
  }
  // A scene of small objects spread over the view, painted once.
  std::vector<TestObject*> Crowd(int count) {
    std::vector<TestObject*> crowd;
    for (int i = 0; i < count; ++i) crowd.push_back(Add(8 + (i * 37) % 784, 8 + (i * 53) % 584, 16, 16));
    Frame();
    paint_->batches.clear();
    return crowd;
  }
};

TEST_F(SceneIndexTest, AnObjectMovedWithoutInvalidatingIsDrawnWhereItIsNow) {
  std::vector<TestObject*> crowd = Crowd(200);
  TestObject* quiet = Add(100, 100, 10, 10);
  TestObject* marker = Add(600, 400, 10, 10);
  Frame();
  quiet->MoveTo(600, 402);  // no Invalidate: nothing of its own is dirty
  marker->Invalidate();
  const test::RecordedBatch batch = FrameBatch();
  (void)crowd;
  const std::vector<engine::ImageHandle*> drawn = Drawn(batch);
  EXPECT_NE(std::find(drawn.begin(), drawn.end(), quiet->image()), drawn.end());
  EXPECT_EQ(drawn, Expected(batch));
}

TEST_F(SceneIndexTest, ResizedTurnedHiddenAndRemovedObjectsAreFoundOrLeftOut) {
  std::vector<TestObject*> crowd = Crowd(300);
  TestObject* o = Add(200, 200, 10, 10);
  TestObject* probe = Add(300, 200, 4, 4);
  TestObject* above = Add(200, 60, 4, 4);
  Frame();
  // Each change is painted, then a small object elsewhere is invalidated: the batch of its area
  // names the changed object exactly when the object now reaches there.
  auto reaches = [&](TestObject* changed, TestObject* at) {
    const test::RecordedBatch own = FrameBatch();
    EXPECT_EQ(Drawn(own), Expected(own));
    at->Invalidate();
    const test::RecordedBatch batch = FrameBatch();
    const std::vector<engine::ImageHandle*> drawn = Drawn(batch);
    EXPECT_EQ(drawn, Expected(batch));
    return std::find(drawn.begin(), drawn.end(), changed->image()) != drawn.end();
  };
  EXPECT_FALSE(reaches(o, probe));
  o->Resize(220, 10);  // grown over the probe
  o->Invalidate();
  EXPECT_TRUE(reaches(o, probe));
  EXPECT_FALSE(reaches(o, above));
  o->SetAngle(45.0);  // turned: its corners reach far above its centre
  o->Invalidate();
  EXPECT_TRUE(reaches(o, above));
  o->Hide();  // out of the draw list
  o->Invalidate();
  EXPECT_FALSE(reaches(o, above));
  o->Show();
  o->Invalidate();
  EXPECT_TRUE(reaches(o, above));
  engine::ImageHandle* gone = o->image();
  objects_->RemoveObject(o->GetKey());
  const test::RecordedBatch removal = FrameBatch();
  EXPECT_EQ(Drawn(removal), Expected(removal));
  above->Invalidate();
  const std::vector<engine::ImageHandle*> removed = Drawn(FrameBatch());
  EXPECT_EQ(std::find(removed.begin(), removed.end(), gone), removed.end());
}

TEST_F(SceneIndexTest, AViewThatMovesCarriesTheIndexAlong) {
  std::vector<TestObject*> crowd = Crowd(100);
  objects_->SetViewCentre(1400, 300);
  TestObject* far = Add(1400, 300, 20, 20);
  Frame();
  far->MoveBy(5, 5);
  far->Invalidate();
  const test::RecordedBatch batch = FrameBatch();
  ASSERT_EQ(batch.items.size(), 1u);
  EXPECT_EQ(batch.items[0].image, far->image());
}

TEST_F(SceneIndexTest, EveryFrameOfARandomScenePaintsWhatAWalkOfTheListWould) {
  std::mt19937 rng(11);
  std::vector<TestObject*> crowd = Crowd(400);
  std::uniform_int_distribution<size_t> pick(0, 399);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<bool> removed(crowd.size(), false);
  for (int frame = 0; frame < 300; ++frame) {
    for (int change = 0; change < 3; ++change) {
      const size_t i = pick(rng);
      if (removed[i]) continue;
      TestObject* o = crowd[i];
      const double r = unit(rng);
      if (r < 0.25) {
        o->MoveBy(unit(rng) * 60 - 30, unit(rng) * 60 - 30);
      } else if (r < 0.4) {
        // Mostly small; now and then as big as a panel or the whole view.
        const double most = unit(rng) < 0.1 ? 900 : 60;
        o->Resize(unit(rng) * most, unit(rng) * most);
      } else if (r < 0.5) {
        o->Rotate(unit(rng) * 90);
      } else if (r < 0.6) {
        // Depths that tie, that are zero of either sign, that are not a number, and other layers.
        const double depths[] = {unit(rng) * 1000, 5.0, 0.0, -0.0, std::numeric_limits<double>::quiet_NaN()};
        engine::ObjectGeometry g;
        o->GetGeometry(&g);
        g.depth = depths[pick(rng) % 5];
        if (unit(rng) < 0.2) g.layer = static_cast<uint32_t>(pick(rng) % 3);
        o->SetGeometry(&g);
      } else if (r < 0.7) {
        if (o->IsVisible()) {
          o->Hide();
        } else {
          o->Show();
        }
      } else if (r < 0.75) {
        o->drawable = !o->drawable;
      } else if (r < 0.78) {
        objects_->RemoveObject(o->GetKey());
        removed[i] = true;
        continue;
      }
      // Most changes are announced; some are left for another object's area to find.
      if (unit(rng) < 0.8) o->Invalidate();
    }
    paint_->batches.clear();
    Frame();
    if (paint_->batches.empty()) continue;
    const test::RecordedBatch& batch = paint_->batches.back();
    ASSERT_EQ(Drawn(batch), Expected(batch)) << "frame " << frame;
  }
}

}  // namespace
