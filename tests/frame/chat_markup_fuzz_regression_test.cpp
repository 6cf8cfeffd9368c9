// ctest-labels: richtext
// Replays the chat markup fuzz target's seeds (fuzz/corpus) and every input that once made it
// fail (tests/data/fuzz), through the same code the target runs.
#include <gtest/gtest.h>

#include "fuzz/chat_markup_targets.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/fuzz_replay.h"

namespace {

class ChatMarkupFuzzRegressionTest : public test::EngineFixture {};

TEST_F(ChatMarkupFuzzRegressionTest, AnyBytesAreReadIntoTheChatDisplay) {
  fuzz::ChatMarkupScene scene;
  EXPECT_GT(test_support::ReplayFuzzInputs(ZP_TEST_DATA_DIR, "chat_markup",
                                           [&](const uint8_t* d, size_t n) { scene.Read(d, n); }),
            0);
}

}  // namespace
