// The real oddsdesk on a private X display: its window opens with its caption near the
// top-left corner, a second copy ends by itself while the first stays, and closing the
// window ends the program quietly.

#include <gtest/gtest.h>
#include <signal.h>

#include <QColor>
#include <QImage>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "E2ETest.h"

namespace {

using e2e::eventually;
using e2e::readFile;

const std::string Title = "Brenn Blackjack Calculator 3.2";
constexpr double WindowTimeout = 60;  // generous: sanitizer builds start slowly

// The centre of an element, given in twips inside the client area, on the screen; a
// display scale makes each logical pixel `scale` screen pixels.
struct Point {
    int x, y;
};
Point onScreen(const e2e::Session::Geometry& window, double left, double top, double width,
               double height, int scale = 1) {
    return {window.x + static_cast<int>((left + width / 2) / 15 * scale),
            window.y + static_cast<int>((top + height / 2) / 15 * scale)};
}

class Oddsdesk : public e2e::SessionTest {
protected:
    e2e::Process startOddsdesk() { return x().start(e2e::programPath("oddsdesk")); }

    // Starts oddsdesk and waits until its window has painted itself.
    unsigned long openWindow(e2e::Process& program) {
        const unsigned long window =
            SessionTest::openWindow(program, e2e::programPath("oddsdesk"), Title);
        if (window) {
            EXPECT_TRUE(showsBackground(paintedPicture(window))) << "never painted";
        }
        return window;
    }

    // The window's dark grey background near its bottom-left corner.
    static QPoint backgroundPoint(const QImage& picture) { return {5, picture.height() - 5}; }
    static bool showsBackground(const QImage& picture) {
        return picture.valid(backgroundPoint(picture)) &&
               QColor(picture.pixel(backgroundPoint(picture))) == QColor(64, 64, 64);
    }
    // The window's picture once it shows its background (a mapped window paints later).
    QImage paintedPicture(unsigned long window) {
        return x().waitForPicture(window, showsBackground, e2e::PaintTimeout);
    }
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
    const QImage image = paintedPicture(window);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(QColor(image.pixel(backgroundPoint(image))), QColor(64, 64, 64));

    EXPECT_TRUE(program.running());
}

TEST_F(Oddsdesk, SecondCopyEndsByItselfWhileTheFirstStays) {
    e2e::Process first;
    ASSERT_NE(openWindow(first), 0u);

    ASSERT_TRUE(waitUntilListening("oddsdesk")) << first.output();

    e2e::Process second = startOddsdesk();
    expectSecondCopyEnds(second, first, Title);
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

TEST_F(Oddsdesk, MoreGrowsTheWindowAndTheHelpPictureOpensTheHelp) {
    e2e::Process program;
    const unsigned long window = openWindow(program);
    ASSERT_NE(window, 0u);
    const auto where = x().geometry(window);
    ASSERT_TRUE(where);

    // "More..." grows the window to its full height: 5115 twips.
    const Point more = onScreen(*where, 2790, 420, 690, 255);
    ASSERT_TRUE(x().click(more.x, more.y));
    EXPECT_TRUE(eventually([&] {
        const auto now = x().geometry(window);
        return now && now->height == 5115 / 15;
    })) << "the window did not grow";

    // The help picture, now in view, opens the help in a window of its own.
    const Point help = onScreen(*where, 3060, 2730, 480, 480);
    ASSERT_TRUE(x().click(help.x, help.y));
    EXPECT_TRUE(eventually([&] { return x().windowsOf(program.pid()).size() == 2; }))
        << "no help window appeared";
    EXPECT_TRUE(program.running());
    EXPECT_EQ(program.output(), "");
}

// Under a window manager its frame takes its share of the outer 250 x 195 pixels, and the
// client area shows the same, in logical pixels, at every display scale: compact, and grown
// to its full 5115 twips by "More...".
TEST_F(Oddsdesk, ClientAreaIsTheSameAtEveryScaleUnderAWindowManager) {
    if (!e2e::windowManagerAvailable()) GTEST_SKIP() << "openbox is not installed";
    e2e::Process wm = x().startWindowManager();
    ASSERT_TRUE(wm.started()) << "the window manager did not start";

    for (const int scale : {1, 2}) {
        SCOPED_TRACE("QT_SCALE_FACTOR=" + std::to_string(scale));
        e2e::Process program = x().start(e2e::programPath("oddsdesk"), {},
                                         {"QT_SCALE_FACTOR=" + std::to_string(scale)});
        const auto found = x().waitForWindow(Title, WindowTimeout);
        ASSERT_EQ(found.size(), 1u) << program.output();
        const unsigned long window = found.front();
        // The frame as the window manager draws it: the same screen pixels at every scale.
        std::optional<e2e::Session::Extents> frame;
        ASSERT_TRUE(eventually([&] { return (frame = x().frameExtents(window)).has_value(); }));
        const int frameWidth = frame->left + frame->right;
        const int frameHeight = frame->top + frame->bottom;

        // Waits for a client area of width x height logical pixels; the last one seen.
        e2e::Session::Geometry seen;
        const auto clientBecomes = [&](int width, int height) {
            return eventually(
                [&] {
                    if (const auto g = x().geometry(window)) seen = *g;
                    return seen.width == width * scale && seen.height == height * scale;
                },
                15);
        };
        EXPECT_TRUE(clientBecomes(250 - frameWidth, 195 - frameHeight))
            << "client " << seen.width << " x " << seen.height << " screen pixels";

        const Point more = onScreen(seen, 2790, 420, 690, 255, scale);
        ASSERT_TRUE(x().click(more.x, more.y));
        EXPECT_TRUE(clientBecomes(250 - frameWidth, 5115 / 15 - frameHeight))
            << "client " << seen.width << " x " << seen.height << " screen pixels after More...";

        ASSERT_TRUE(x().closeWindow(window));
        ASSERT_TRUE(program.waitExit(WindowTimeout)) << "oddsdesk still runs";
        EXPECT_EQ(program.output(), "");
    }
}

// A window manager that tells the frame before mapping (openbox does) lets the calculator
// appear at its final size: framed within the outer 250 x 195 pixels from the start, never
// shown larger and shrunk.
TEST_F(Oddsdesk, AppearsAtItsFinalSizeUnderAWindowManager) {
    if (!e2e::windowManagerAvailable()) GTEST_SKIP() << "openbox is not installed";
    e2e::Process wm = x().startWindowManager();
    ASSERT_TRUE(wm.started()) << "the window manager did not start";

    // The watch may begin to follow the window only after it is mapped, on a busy machine:
    // then the calculator is started again.
    std::optional<e2e::MapWatch::Appearance> first;
    for (int attempt = 0; attempt < 3 && !first; ++attempt) {
        e2e::MapWatch watch(x());
        e2e::Process program = startOddsdesk();
        first = watch.firstMapped(Title, WindowTimeout);
        const auto found = x().waitForWindow(Title, WindowTimeout);
        ASSERT_EQ(found.size(), 1u) << program.output();
        const unsigned long window = found.front();
        if (first) {
            EXPECT_EQ(first->window, window);
            std::optional<e2e::Session::Extents> frame;
            ASSERT_TRUE(eventually([&] { return (frame = x().frameExtents(window)).has_value(); }));
            const int width = 250 - frame->left - frame->right;
            const int height = 195 - frame->top - frame->bottom;
            EXPECT_EQ(first->width, width);
            EXPECT_EQ(first->height, height);
            // And it keeps that size once the window manager has framed it.
            e2e::Session::Geometry seen;
            EXPECT_TRUE(eventually(
                [&] {
                    if (const auto g = x().geometry(window)) seen = *g;
                    return seen.width == width && seen.height == height;
                },
                15))
                << "client " << seen.width << " x " << seen.height;
        }
        ASSERT_TRUE(x().closeWindow(window));
        ASSERT_TRUE(program.waitExit(WindowTimeout)) << "oddsdesk still runs";
        EXPECT_EQ(program.output(), "");
    }
    EXPECT_TRUE(first) << "the window was mapped each time before the watch could follow it";
}

// "Play Game" where no table game can be found: nothing starts, and the calculator closes
// all the same; one line on standard error says why.
TEST_F(Oddsdesk, PlayGameWithoutTheTableGameStillCloses) {
    const std::string alone = x().folder() + "/alone";
    std::filesystem::create_directory(alone);
    std::filesystem::copy_file(e2e::programPath("oddsdesk"), alone + "/oddsdesk");
    e2e::Process program = x().start(alone + "/oddsdesk", {}, {"PATH=" + alone});
    const auto found = x().waitForWindow(Title, WindowTimeout);
    ASSERT_EQ(found.size(), 1u) << program.output();
    ASSERT_TRUE(showsBackground(paintedPicture(found.front()))) << "never painted";
    const auto where = x().geometry(found.front());
    ASSERT_TRUE(where);

    const Point more = onScreen(*where, 2790, 420, 690, 255);
    ASSERT_TRUE(x().click(more.x, more.y));
    ASSERT_TRUE(eventually([&] {
        const auto now = x().geometry(found.front());
        return now && now->height == 5115 / 15;
    }));
    const Point play = onScreen(*where, 1560, 4440, 1140, 255);
    ASSERT_TRUE(x().click(play.x, play.y));
    const auto code = program.waitExit(WindowTimeout);
    ASSERT_TRUE(code) << "oddsdesk still runs after Play Game";
    EXPECT_EQ(*code, 0);
    EXPECT_EQ(program.output(),
              "oddsdesk: cannot start cardtable: not found beside this program or on PATH\n");
}

// After a crash the next copy starts as the only one.
TEST_F(Oddsdesk, CopyLeftBehindByACrashDoesNotBlockTheNextStart) {
    e2e::Process crashed;
    ASSERT_NE(openWindow(crashed), 0u);
    ASSERT_TRUE(waitUntilListening("oddsdesk"));
    crashed.kill();
    ASSERT_TRUE(x().waitForNoWindow(Title, WindowTimeout));

    e2e::Process next;
    EXPECT_NE(openWindow(next), 0u);
    EXPECT_TRUE(next.running());
}

// The session's signals to end (SIGTERM, SIGHUP, SIGINT) close the calculator as its close
// box does, and it leaves no socket behind.
TEST_F(Oddsdesk, EndsOnTheSessionsSignalsAndLeavesNoSocket) {
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(sigabbrev_np(signal));
        e2e::Process program;
        ASSERT_NE(openWindow(program), 0u);
        ASSERT_TRUE(waitUntilListening("oddsdesk")) << program.output();
        ASSERT_EQ(::kill(program.pid(), signal), 0);
        const auto code = program.waitExit(WindowTimeout);
        ASSERT_TRUE(code) << "oddsdesk still runs after the signal";
        EXPECT_EQ(*code, 0);
        EXPECT_EQ(program.output(), "");
        EXPECT_FALSE(
            std::filesystem::exists(std::filesystem::symlink_status(instanceSocket("oddsdesk"))));
        ASSERT_TRUE(x().waitForNoWindow(Title, WindowTimeout));
    }
}

}  // namespace
