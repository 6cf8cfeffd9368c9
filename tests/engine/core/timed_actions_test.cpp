// ctest-labels: scene
#include "engine/core/timed_action.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/core/engine_object.h"
#include "engine/core/memory_pool.h"
#include "engine/core/object_module.h"
#include "tests/support/engine_fixture.h"

namespace {

using engine::ActionGroup;
using engine::ActionRecord;
using engine::ObjectMessage;
namespace ev = engine::object_event;

// What the step functions did, in order: "A@0" is action A run with 0 ms elapsed; "msg:A" is A's
// completion message arriving.
std::vector<std::string> g_trace;

struct StepParams {
  char tag;
  int runs_to_finish;  // 0: never finishes by itself
  int runs;
};

int CountingStep(engine::EngineObject*, void* params, engine::GameCore*, uint32_t elapsed) {
  auto* p = static_cast<StepParams*>(params);
  g_trace.push_back(std::string(1, p->tag) + "@" + std::to_string(elapsed));
  return (p->runs_to_finish != 0 && ++p->runs >= p->runs_to_finish) ? 1 : 0;
}

class TimedActionsTest : public test::SceneFixture {
 protected:
  void SetUp() override {
    SceneFixture::SetUp();
    g_trace.clear();
    listener_ = Add(100, 100, 10, 10);
    listener_->on_message = [](test::TestObject&, const ObjectMessage& m) {
      g_trace.push_back("msg:" + std::string(1, static_cast<char>(m.p1)));
    };
    baseline_in_use_ = engine::PoolBytesInUse();
  }

  // An action record that finishes after `runs` runs and then tells the listener its tag.
  ActionRecord* Action(char tag, int runs, uint32_t interval = 0, engine::EngineObject* object = nullptr) {
    ActionRecord* a = objects_->NewActionRecord();
    StepParams p{tag, runs, 0};
    std::memcpy(a->params, &p, sizeof p);
    a->step = &CountingStep;
    a->interval = interval;
    a->object = object;
    a->completion = engine::MakeMessage(listener_->GetKey(), 80000050, static_cast<uintptr_t>(tag), 0);
    return a;
  }
  void Post(uint32_t code, const void* p1 = nullptr) {
    core_->PostEvent(1002, code, reinterpret_cast<uintptr_t>(p1), 0);
  }
  void PostValue(uint32_t code, uint64_t p1) { core_->PostEvent(1002, code, static_cast<uintptr_t>(p1), 0); }

  test::TestObject* listener_ = nullptr;
  uint32_t baseline_in_use_ = 0;
};

TEST_F(TimedActionsTest, AnActionRunsAtOnceThenEveryInterval) {
  Post(ev::kQueueAction, Action('A', 3, 100));
  Frame();                              // first run: elapsed 0
  for (int i = 0; i < 9; ++i) Frame();  // 99 ms later: not yet
  EXPECT_EQ(g_trace, (std::vector<std::string>{"A@0"}));
  Frame();  // 110 ms after the first run
  Frame();
  EXPECT_EQ(g_trace, (std::vector<std::string>{"A@0", "A@110"}));
  for (int i = 0; i < 10; ++i) Frame();
  EXPECT_EQ(g_trace, (std::vector<std::string>{"A@0", "A@110", "A@220", "msg:A"}));
  EXPECT_EQ(objects_->CountActions(), 0u);
  EXPECT_EQ(engine::PoolBytesInUse(), baseline_in_use_);
}

TEST_F(TimedActionsTest, StepsOfAGroupRunInSequence) {
  Post(ev::kBeginGroup, objects_->NewGroupRecord());
  Post(ev::kQueueAction, Action('A', 2));
  Post(ev::kQueueAction, Action('C', 1));
  Post(ev::kNextGroup, objects_->NewGroupRecord());
  Post(ev::kQueueAction, Action('B', 1));
  Post(ev::kEndGroup);
  Frame();
  Frame();
  Frame();
  // B waits for both A and C; A's message comes before B's first run.
  EXPECT_EQ(g_trace, (std::vector<std::string>{"A@0", "C@0", "msg:C", "A@11", "msg:A", "B@0", "msg:B"}));
  EXPECT_EQ(objects_->LiveGroupCount(), 0u);
  EXPECT_EQ(engine::PoolBytesInUse(), baseline_in_use_);
}

TEST_F(TimedActionsTest, AnEmptyFirstStepIsReplaced) {
  ActionGroup* first = objects_->NewGroupRecord();
  const uint64_t first_id = first->id;
  Post(ev::kBeginGroup, first);
  Post(ev::kNextGroup, objects_->NewGroupRecord());
  Post(ev::kQueueAction, Action('B', 0));
  Post(ev::kEndGroup);
  Frame();
  EXPECT_EQ(g_trace, (std::vector<std::string>{"B@0"}));
  // The step keeps the id its first record was given, so the caller can still cancel it.
  PostValue(ev::kCancelGroup, first_id);
  Frame();
  Frame();
  EXPECT_EQ(g_trace, (std::vector<std::string>{"B@0"}));  // cancelled: no message
  EXPECT_EQ(objects_->CountActions(), 0u);
  EXPECT_EQ(objects_->LiveGroupCount(), 0u);
  EXPECT_EQ(engine::PoolBytesInUse(), baseline_in_use_);
}

TEST_F(TimedActionsTest, NestedSequencesHoldUpTheirParentsNextStep) {
  Post(ev::kBeginGroup, objects_->NewGroupRecord());
  Post(ev::kQueueAction, Action('A', 1));
  Post(ev::kBeginGroup, objects_->NewGroupRecord());  // nested: N1 then N2
  Post(ev::kQueueAction, Action('N', 1));
  Post(ev::kNextGroup, objects_->NewGroupRecord());
  Post(ev::kQueueAction, Action('M', 2));
  Post(ev::kEndGroup);
  Post(ev::kNextGroup, objects_->NewGroupRecord());
  Post(ev::kQueueAction, Action('Z', 1));
  Post(ev::kEndGroup);
  for (int i = 0; i < 4; ++i) Frame();
  EXPECT_EQ(g_trace,
            (std::vector<std::string>{"A@0", "msg:A", "N@0", "msg:N", "M@0", "M@11", "msg:M", "Z@0", "msg:Z"}));
  EXPECT_EQ(objects_->LiveGroupCount(), 0u);
  EXPECT_EQ(engine::PoolBytesInUse(), baseline_in_use_);
}

TEST_F(TimedActionsTest, CancellingByIdGroupAndObject) {
  // By id.
  ActionRecord* lone = Action('L', 0);
  const uint64_t lone_id = lone->id;
  Post(ev::kQueueAction, lone);
  Frame();
  PostValue(ev::kCancelAction, lone_id);
  Frame();
  EXPECT_EQ(g_trace, (std::vector<std::string>{"L@0"}));
  g_trace.clear();

  // A whole sequence, nested parts included, by its first step's id: no messages.
  ActionGroup* outer = objects_->NewGroupRecord();
  const uint64_t outer_id = outer->id;
  Post(ev::kBeginGroup, outer);
  Post(ev::kQueueAction, Action('A', 0));
  Post(ev::kBeginGroup, objects_->NewGroupRecord());
  Post(ev::kQueueAction, Action('N', 0));
  Post(ev::kNextGroup, objects_->NewGroupRecord());
  Post(ev::kQueueAction, Action('M', 1));
  Post(ev::kEndGroup);
  Post(ev::kNextGroup, objects_->NewGroupRecord());
  Post(ev::kQueueAction, Action('B', 1));
  Post(ev::kEndGroup);
  Frame();
  PostValue(ev::kCancelGroup, outer_id);
  Frame();
  Frame();
  EXPECT_EQ(g_trace, (std::vector<std::string>{"A@0", "N@0"}));
  EXPECT_EQ(objects_->CountActions(), 0u);
  EXPECT_EQ(objects_->LiveGroupCount(), 0u);
  // A stale or unknown id is a harmless no-op.
  PostValue(ev::kCancelGroup, outer_id);
  PostValue(ev::kCancelGroup, 987654321);
  Frame();
  g_trace.clear();

  // The only member of a step cancelled by its object: the next step starts, without the message.
  test::TestObject* target = Add(300, 300, 10, 10);
  Post(ev::kBeginGroup, objects_->NewGroupRecord());
  Post(ev::kQueueAction, Action('O', 0, 0, target));
  Post(ev::kNextGroup, objects_->NewGroupRecord());
  Post(ev::kQueueAction, Action('P', 1));
  Post(ev::kEndGroup);
  Frame();
  PostValue(ev::kCancelObject, target->GetKey());
  Frame();
  EXPECT_EQ(g_trace, (std::vector<std::string>{"O@0", "P@0", "msg:P"}));
  EXPECT_EQ(engine::PoolBytesInUse(), baseline_in_use_);
}

TEST_F(TimedActionsTest, AGroupCanAlsoBeCancelledByItsLiveRecord) {
  ActionGroup* group = objects_->NewGroupRecord();
  Post(ev::kBeginGroup, group);
  Post(ev::kQueueAction, Action('A', 0));
  Post(ev::kEndGroup);
  Frame();
  Post(ev::kCancelGroup, group);
  Frame();
  Frame();
  EXPECT_EQ(g_trace, (std::vector<std::string>{"A@0"}));
  EXPECT_EQ(objects_->LiveGroupCount(), 0u);
  EXPECT_EQ(engine::PoolBytesInUse(), baseline_in_use_);
}

TEST_F(TimedActionsTest, RemovingAnObjectCancelsItsPendingActions) {
  test::TestObject* doomed = Add(300, 300, 10, 10);
  Post(ev::kQueueAction, Action('D', 3, 0, doomed));
  Frame();
  objects_->RemoveObject(doomed->GetKey());  // ASan: the action never touches the freed object
  Frame();
  Frame();
  EXPECT_EQ(g_trace, (std::vector<std::string>{"D@0"}));
  EXPECT_EQ(engine::PoolBytesInUse(), baseline_in_use_);
}

TEST_F(TimedActionsTest, AnObjectRemovedBeforeItsActionWasTakenInIsNeverTouched) {
  test::TestObject* doomed = Add(300, 300, 10, 10);
  Post(ev::kQueueAction, Action('D', 3, 0, doomed));
  objects_->RemoveObject(doomed->GetKey());  // the action is still in the module's queue
  Frame();
  Frame();
  EXPECT_TRUE(g_trace.empty());
  EXPECT_EQ(objects_->CountActions(), 0u);
  EXPECT_EQ(engine::PoolBytesInUse(), baseline_in_use_);
}

TEST_F(TimedActionsTest, GroupMistakesAreLoggedAndChangeNothing) {
  ActionGroup* stray = objects_->NewGroupRecord();
  Post(ev::kNextGroup, stray);
  Post(ev::kEndGroup);
  Frame();
  EXPECT_EQ(objects_->CurrentGroup(), nullptr);
  EXPECT_EQ(core_->QueuedEventCount(), 0u);  // the reports do not pile up for the absent monitor
  const std::string log = GameLog();
  EXPECT_NE(log.find("can't NextGroup without BeginGroup!"), std::string::npos);
  EXPECT_NE(log.find("can't EndGroup without BeginGroup!"), std::string::npos);
}

TEST_F(TimedActionsTest, ASequenceBuiltOverSeveralTicksIsSafe) {
  Post(ev::kBeginGroup, objects_->NewGroupRecord());
  Post(ev::kQueueAction, Action('A', 1));
  Frame();  // A finishes while its step is still being built
  Post(ev::kNextGroup, objects_->NewGroupRecord());
  Post(ev::kQueueAction, Action('B', 1));
  Frame();
  Post(ev::kEndGroup);
  Frame();
  Frame();
  EXPECT_EQ(g_trace, (std::vector<std::string>{"A@0", "msg:A", "B@0", "msg:B"}));
  EXPECT_EQ(objects_->CurrentGroup(), nullptr);
  EXPECT_EQ(objects_->LiveGroupCount(), 0u);
  EXPECT_EQ(engine::PoolBytesInUse(), baseline_in_use_);
}

TEST_F(TimedActionsTest, AnActionMayDeleteItsOwnObject) {
  static engine::ObjectModule* module = nullptr;
  module = objects_;
  test::TestObject* doomed = Add(300, 300, 10, 10);
  const uint32_t doomed_key = doomed->GetKey();
  ActionRecord* a = objects_->NewActionRecord();
  a->object = doomed;
  a->step = [](engine::EngineObject* object, void*, engine::GameCore*, uint32_t) {
    module->RemoveObject(object->GetKey());
    object->SetAlpha(0.0);  // still alive until the tick is over
    return 1;
  };
  a->completion = engine::MakeMessage(listener_->GetKey(), 80000050, 'X', 0);
  Post(ev::kQueueAction, a);
  Frame();
  EXPECT_EQ(objects_->FindObjectByKey(doomed_key), nullptr);
  EXPECT_EQ(g_trace, (std::vector<std::string>{"msg:X"}));
}

}  // namespace
