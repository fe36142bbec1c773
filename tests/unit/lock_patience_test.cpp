#include "trace/lock_patience.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

using Answer = platform::OpenError;
const Answer kOpened{};
const Answer kHeld{Answer::Kind::held};
const Answer kRefused{Answer::Kind::refused};

// Answers attempts from a script (the last answer repeats) and lets a record
// pause `pauses` times before its bound is spent; counts both.
class Script {
public:
    Script(std::vector<Answer> answers, int pauses)
        : m_answers(std::move(answers)), m_pausesLeft(pauses) {}

    bool takeWith(LockPatience& patience) {
        return patience.take(
            [this] {
                const Answer answer = m_answers[std::min(m_attempts, m_answers.size() - 1)];
                ++m_attempts;
                return answer;
            },
            [this] {
                ++m_pauses;
                return m_pausesLeft-- > 0;
            });
    }

    std::size_t attempts() const { return m_attempts; }
    int pauses() const { return m_pauses; }

private:
    std::vector<Answer> m_answers;
    int m_pausesLeft;
    std::size_t m_attempts = 0;
    int m_pauses = 0;
};

TEST(LockPatienceTest, FreeFileIsTakenAtOnceAndHeldFileIsWaitedFor) {
    LockPatience patience;
    Script free({kOpened}, 5);
    EXPECT_TRUE(free.takeWith(patience));
    EXPECT_EQ(free.attempts(), 1u);
    EXPECT_EQ(free.pauses(), 0);

    Script released({kHeld, kHeld, kOpened}, 5);
    EXPECT_TRUE(released.takeWith(patience));
    EXPECT_EQ(released.attempts(), 3u);
    EXPECT_EQ(released.pauses(), 2);
}

// A process stopped while it holds the file: one record waits the whole bound,
// the next ones try once each, and the first record that gets the file makes
// the ones after it wait again.
TEST(LockPatienceTest, AfterOneWholeWaitRecordsTryOnceUntilOneGetsTheFile) {
    LockPatience patience;
    Script first({kHeld}, 3);
    EXPECT_FALSE(first.takeWith(patience));
    EXPECT_EQ(first.attempts(), 4u);
    EXPECT_EQ(first.pauses(), 4);

    for (int record = 0; record < 3; ++record) {
        Script later({kHeld}, 3);
        EXPECT_FALSE(later.takeWith(patience));
        EXPECT_EQ(later.attempts(), 1u);
        EXPECT_EQ(later.pauses(), 0);
    }

    Script free({kOpened}, 3);
    EXPECT_TRUE(free.takeWith(patience));
    EXPECT_EQ(free.attempts(), 1u);

    Script again({kHeld, kOpened}, 3);
    EXPECT_TRUE(again.takeWith(patience));
    EXPECT_EQ(again.attempts(), 2u);
    EXPECT_EQ(again.pauses(), 1);
}

// A file that can't be used (a link, a FIFO, no room) is given up at once and
// changes nothing about waiting.
TEST(LockPatienceTest, RefusedFileIsNeverWaitedForAndLeavesPatienceAlone) {
    LockPatience patience;
    Script refused({kRefused}, 3);
    EXPECT_FALSE(refused.takeWith(patience));
    EXPECT_EQ(refused.attempts(), 1u);
    EXPECT_EQ(refused.pauses(), 0);

    Script waited({kHeld, kOpened}, 3);
    EXPECT_TRUE(waited.takeWith(patience));
    EXPECT_EQ(waited.pauses(), 1);

    Script spent({kHeld}, 0);
    EXPECT_FALSE(spent.takeWith(patience));
    Script refusedAgain({kRefused}, 3);
    EXPECT_FALSE(refusedAgain.takeWith(patience));
    Script stillImpatient({kHeld, kOpened}, 3);
    EXPECT_FALSE(stillImpatient.takeWith(patience));
    EXPECT_EQ(stillImpatient.attempts(), 1u);
    EXPECT_EQ(stillImpatient.pauses(), 0);
}

}  // namespace
