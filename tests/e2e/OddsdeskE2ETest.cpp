// The real oddsdesk on a private X display: its window opens with its caption near the
// top-left corner, a second copy ends by itself while the first stays, and closing the
// window ends the program quietly.

#include <gtest/gtest.h>
#include <signal.h>

#include <QColor>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

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
               double height, double scale = 1) {
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

// A desktop the calculator runs on: a window manager, and a display scale given to the
// program (QT_SCALE_FACTOR) or set for the whole desktop (Xft.dpi), or neither.
struct Desktop {
    e2e::WindowManager wm;
    double scaleFactor = 0;
    int dpi = 0;
};

std::string desktopName(const ::testing::TestParamInfo<Desktop>& info) {
    std::string name = info.param.wm == e2e::WindowManager::Metacity ? "Metacity" : "Openbox";
    if (info.param.scaleFactor > 0)
        name += "Scale" + std::to_string(static_cast<int>(info.param.scaleFactor));
    if (info.param.dpi > 0) name += "Dpi" + std::to_string(info.param.dpi);
    return name;
}

class OddsdeskUnder : public Oddsdesk, public ::testing::WithParamInterface<Desktop> {
protected:
    void SetUp() override {
        Oddsdesk::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        const Desktop& desktop = GetParam();
        if (!e2e::windowManagerAvailable(desktop.wm))
            GTEST_SKIP() << e2e::programName(desktop.wm) << " is not installed";
        wm_ = x().startWindowManager(desktop.wm);
        ASSERT_TRUE(wm_.started()) << "the window manager did not start";
        // Set once the window manager holds the server, which forgets its resources when
        // its last client leaves.
        if (desktop.dpi > 0)
            ASSERT_TRUE(x().mergeResources("Xft.dpi: " + std::to_string(desktop.dpi)));
    }

    // Screen pixels per logical pixel.
    double scale() const {
        const Desktop& desktop = GetParam();
        return desktop.dpi > 0           ? desktop.dpi / 96.0
               : desktop.scaleFactor > 0 ? desktop.scaleFactor
                                         : 1.0;
    }
    // Whether `screenPixels` is `logicalPixels` at the scale. At a fractional scale Qt asks
    // the window manager to size the window in steps of two screen pixels, and the window
    // manager rounds to them.
    bool atScale(int screenPixels, double logicalPixels) const {
        const double slack = scale() == std::floor(scale()) ? 0.5 : 1.5;
        return std::abs(screenPixels - logicalPixels * scale()) <= slack;
    }

    e2e::Process startOddsdesk() const {
        std::vector<std::string> variables;
        if (GetParam().scaleFactor > 0)
            variables.push_back("QT_SCALE_FACTOR=" + std::to_string(GetParam().scaleFactor));
        return x().start(e2e::programPath("oddsdesk"), {}, variables);
    }
    // Closes the window; the program ends quietly.
    void closes(unsigned long window, e2e::Process& program) {
        ASSERT_TRUE(x().closeWindow(window));
        ASSERT_TRUE(program.waitExit(WindowTimeout)) << "oddsdesk still runs";
        EXPECT_EQ(program.output(), "");
    }

private:
    e2e::Process wm_;
};

// The client area is the design's whatever frame the window manager draws, in logical pixels
// at every scale: the outer 250 x 195 pixels at (5, 5) count a frame of at most 5 pixels
// across and 24 down, and a thicker frame makes the window larger. Compact, it shows the
// four action rows down to "EVEN" (2505 twips) and not the dealer's chances (2610 twips);
// grown by "More...", "Play Game" whole (4695 twips) within the design height (4755 twips).
// The window appears at that size, and "Hide..." brings the compact size back.
TEST_P(OddsdeskUnder, ShowsTheDesignClientAreaWhateverTheFrame) {
    // The watch may begin to follow the window only after it is mapped, on a busy machine:
    // then the calculator is started again.
    e2e::Process program;
    unsigned long window = 0;
    std::optional<e2e::MapWatch::Appearance> first;
    for (int attempt = 0; attempt < 3 && !first; ++attempt) {
        if (window) closes(window, program);
        e2e::MapWatch watch(x());
        program = startOddsdesk();
        first = watch.firstMapped(Title, WindowTimeout);
        const auto found = x().waitForWindow(Title, WindowTimeout);
        ASSERT_EQ(found.size(), 1u) << program.output();
        window = found.front();
    }

    // The frame as the window manager draws it, in screen pixels at every scale.
    std::optional<e2e::Session::Extents> frame;
    ASSERT_TRUE(eventually([&] { return (frame = x().frameExtents(window)).has_value(); }));
    const int across = std::min(frame->left + frame->right, 5);
    const int down = std::min(frame->top + frame->bottom, 24);
    const int width = 250 - across, compact = 195 - down, expanded = 5115 / 15 - down;
    EXPECT_GE(width, 245);
    EXPECT_GE(compact, 2505 / 15);
    EXPECT_LE(compact, 2610 / 15);
    EXPECT_GE(expanded, 4695 / 15);
    EXPECT_LE(expanded, 4755 / 15 + 3);

    // Waits for a client area of width x height logical pixels; the last one seen.
    e2e::Session::Geometry seen;
    const auto clientBecomes = [&](int height) {
        return eventually(
            [&] {
                if (const auto g = x().geometry(window)) seen = *g;
                return atScale(seen.width, width) && atScale(seen.height, height);
            },
            15);
    };
    ASSERT_TRUE(first) << "the window was mapped each time before the watch could follow it";
    EXPECT_EQ(first->window, window);
    EXPECT_TRUE(atScale(first->width, width) && atScale(first->height, compact))
        << "first mapped at " << first->width << " x " << first->height << " screen pixels";
    EXPECT_TRUE(clientBecomes(compact))
        << "client " << seen.width << " x " << seen.height << " screen pixels";
    // The outer top-left corner at (5, 5); at a larger scale the client area lies on whole
    // logical pixels, so a frame of an odd number of screen pixels leaves it up to one
    // logical pixel off.
    const double off = scale() == 1 ? 0 : scale();
    EXPECT_LE(std::abs(seen.x - frame->left - 5 * scale()), off) << seen.x << " - " << frame->left;
    EXPECT_LE(std::abs(seen.y - frame->top - 5 * scale()), off) << seen.y << " - " << frame->top;

    const Point more = onScreen(seen, 2790, 420, 690, 255, scale());
    ASSERT_TRUE(x().click(more.x, more.y));
    EXPECT_TRUE(clientBecomes(expanded))
        << "client " << seen.width << " x " << seen.height << " screen pixels after More...";
    ASSERT_TRUE(x().click(more.x, more.y));
    EXPECT_TRUE(clientBecomes(compact))
        << "client " << seen.width << " x " << seen.height << " screen pixels after Hide...";

    closes(window, program);
}

INSTANTIATE_TEST_SUITE_P(, OddsdeskUnder,
                         ::testing::Values(Desktop{e2e::WindowManager::Openbox},
                                           Desktop{e2e::WindowManager::Openbox, 2},
                                           Desktop{e2e::WindowManager::Openbox, 0, 120},
                                           Desktop{e2e::WindowManager::Openbox, 0, 144},
                                           Desktop{e2e::WindowManager::Metacity},
                                           Desktop{e2e::WindowManager::Metacity, 0, 144},
                                           Desktop{e2e::WindowManager::Metacity, 0, 192}),
                         desktopName);

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
