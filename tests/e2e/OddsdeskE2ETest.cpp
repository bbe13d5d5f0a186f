// The real oddsdesk on a private X display: its window opens with its caption near the
// top-left corner, a second copy ends by itself while the first stays, and closing the
// window ends the program quietly.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include "XSession.h"

namespace {

const std::string Title = "Brenn Blackjack Calculator 3.2";
constexpr double WindowTimeout = 60;  // generous: sanitizer builds start slowly

class Oddsdesk : public ::testing::Test {
protected:
    void SetUp() override {
        if (!e2e::toolsAvailable()) GTEST_SKIP() << "Xvfb, xauth or xdotool is not installed";
        session_ = std::make_unique<e2e::Session>();
        ASSERT_TRUE(session_->ready()) << session_->error();
    }

    e2e::Session& x() { return *session_; }
    e2e::Process startOddsdesk() { return x().start(e2e::programPath("oddsdesk")); }

    // Starts oddsdesk and waits for its window.
    unsigned long openWindow(e2e::Process& program) {
        program = startOddsdesk();
        EXPECT_TRUE(program.started());
        const auto found = x().waitForWindow(Title, WindowTimeout);
        EXPECT_EQ(found.size(), 1u) << program.output();
        return found.empty() ? 0 : found.front();
    }

private:
    std::unique_ptr<e2e::Session> session_;
};

TEST_F(Oddsdesk, OpensItsWindowWithItsCaptionNearTheTopLeftCorner) {
    e2e::Process program;
    const unsigned long window = openWindow(program);
    ASSERT_NE(window, 0u);

    // Without a window manager the client area is the whole window: 250 pixels wide at
    // (5, 5).
    const auto where = x().geometry(window);
    ASSERT_TRUE(where);
    EXPECT_EQ(where->x, 5);
    EXPECT_EQ(where->y, 5);
    EXPECT_EQ(where->width, 250);

    // The window paints its dark grey background.
    const std::string shot = x().folder() + "/oddsdesk.png";
    ASSERT_TRUE(x().screenshot(shot, window));
    const QImage image(QString::fromStdString(shot));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(QColor(image.pixel(5, image.height() - 5)), QColor(64, 64, 64));

    EXPECT_TRUE(program.running());
}

TEST_F(Oddsdesk, SecondCopyEndsByItselfWhileTheFirstStays) {
    e2e::Process first;
    ASSERT_NE(openWindow(first), 0u);

    e2e::Process second = startOddsdesk();
    const auto code = second.waitExit(WindowTimeout);
    ASSERT_TRUE(code) << "the second copy still runs";
    EXPECT_EQ(*code, 0) << second.output();
    EXPECT_EQ(second.output(), "");

    EXPECT_TRUE(first.running());
    EXPECT_EQ(x().windows(Title).size(), 1u);
    EXPECT_TRUE(x().windows("...duplicate instance...").empty());
}

TEST_F(Oddsdesk, ClosingTheWindowEndsTheProgramQuietly) {
    e2e::Process program;
    const unsigned long window = openWindow(program);
    ASSERT_NE(window, 0u);

    ASSERT_TRUE(x().closeWindow(window));
    const auto code = program.waitExit(WindowTimeout);
    ASSERT_TRUE(code) << "oddsdesk still runs after its window was closed";
    EXPECT_EQ(*code, 0);
    EXPECT_EQ(program.output(), "");
    EXPECT_TRUE(x().windows(Title).empty());
}

// After a crash the next copy starts as the only one.
TEST_F(Oddsdesk, CopyLeftBehindByACrashDoesNotBlockTheNextStart) {
    e2e::Process crashed;
    ASSERT_NE(openWindow(crashed), 0u);
    crashed.kill();
    ASSERT_TRUE(x().waitForNoWindow(Title, WindowTimeout));

    e2e::Process next;
    EXPECT_NE(openWindow(next), 0u);
    EXPECT_TRUE(next.running());
}

}  // namespace
