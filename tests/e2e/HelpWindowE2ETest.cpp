// The help of the real programs on a private X display: F1 on the table opens the help
// window, and Escape closes it again while the table stays; the calculator's help picture
// opens the help over the calculator, whole on the screen, under a window manager.

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "E2ETest.h"

namespace {

using e2e::eventually;

const std::string TableTitle = "Brenn Blackjack Game 3.2";
const std::string HelpTitle = "Brenn Blackjack Help";
const std::string CalculatorTitle = "Brenn Blackjack Calculator 3.2";
constexpr int ScreenWidth = 1280, ScreenHeight = 1024;  // the session's screen
constexpr double KeyboardTimeout = 30;

class HelpWindow : public e2e::SessionTest {
protected:
    // The window that has the keyboard focus, or 0.
    unsigned long focused() const {
        std::string out;
        if (x().run({"xdotool", "getwindowfocus"}, 10, &out) != 0) return 0;
        return std::strtoul(out.c_str(), nullptr, 10);
    }
    // Waits until `window` has the keyboard focus, asking for it while it has not.
    bool giveFocus(unsigned long window) const {
        return eventually(
            [&] {
                if (focused() == window) return true;
                x().run({"xdotool", "windowfocus", std::to_string(window)}, 10);
                return false;
            },
            KeyboardTimeout);
    }
    // Types one key into the window that has the keyboard focus.
    bool key(const std::string& name) const { return x().run({"xdotool", "key", name}, 10) == 0; }
};

}  // namespace

TEST_F(HelpWindow, EscapeClosesTheHelpThatF1Opened) {
    e2e::Process program;
    const unsigned long table = openWindow(program, e2e::programPath("cardtable"), TableTitle);
    ASSERT_NE(table, 0u);
    ASSERT_TRUE(giveFocus(table)) << "the table never took the keyboard";
    ASSERT_TRUE(key("F1"));

    std::vector<unsigned long> help;
    ASSERT_TRUE(eventually([&] {
        help = x().windows(HelpTitle);
        return help.size() == 1;
    })) << program.output();
    // The help takes the keyboard as it opens; Escape is typed once it has it.
    ASSERT_TRUE(eventually([&] { return focused() == help.front(); }, KeyboardTimeout))
        << "the help window never took the keyboard";
    ASSERT_TRUE(key("Escape"));
    EXPECT_TRUE(x().waitForNoWindow(HelpTitle, KeyboardTimeout)) << "Escape left the help open";

    EXPECT_TRUE(program.running());
    EXPECT_EQ(x().windows(TableTitle).size(), 1u);
    ASSERT_TRUE(x().closeWindow(table));
    const auto code = program.waitExit(e2e::DefaultTimeout);
    ASSERT_TRUE(code) << "cardtable still runs after its window was closed";
    EXPECT_EQ(*code, 0);
    EXPECT_EQ(program.output(), "");
}

// The calculator is small and sits in the top-left corner; its help is larger. Opened from
// the help picture, the help lies over the calculator and wholly on the screen, frame and
// all, as the window manager places it.
TEST_F(HelpWindow, TheCalculatorsHelpOpensOverItAndWhollyOnTheScreen) {
    if (!e2e::windowManagerAvailable()) GTEST_SKIP() << "openbox is not installed";
    e2e::Process wm = x().startWindowManager();
    ASSERT_TRUE(wm.started()) << "the window manager did not start";
    e2e::Process program;
    const unsigned long calculator =
        openWindow(program, e2e::programPath("oddsdesk"), CalculatorTitle);
    ASSERT_NE(calculator, 0u);

    // The outer rectangle of a framed window, once the window manager has framed it.
    struct Outer {
        int left, top, right, bottom;
    };
    const auto outer = [&](unsigned long window) -> std::optional<Outer> {
        const auto frame = x().frameExtents(window);
        const auto client = x().geometry(window);
        if (!frame || !client) return std::nullopt;
        return Outer{client->x - frame->left, client->y - frame->top,
                     client->x + client->width + frame->right,
                     client->y + client->height + frame->bottom};
    };
    std::optional<Outer> calc;
    ASSERT_TRUE(eventually([&] { return (calc = outer(calculator)).has_value(); }));

    // "More..." brings the help picture into view; the window grows downwards only.
    const auto client = x().geometry(calculator);
    ASSERT_TRUE(client);
    const auto at = [&](double left, double top, double width, double height) {
        return std::pair(client->x + static_cast<int>((left + width / 2) / 15),
                         client->y + static_cast<int>((top + height / 2) / 15));
    };
    const auto [moreX, moreY] = at(2790, 420, 690, 255);
    ASSERT_TRUE(x().click(moreX, moreY));
    ASSERT_TRUE(eventually([&] {
        const auto now = x().geometry(calculator);
        return now && now->height > client->height;
    })) << "the calculator did not grow";
    ASSERT_TRUE(eventually([&] { return (calc = outer(calculator)).has_value(); }));
    const auto [helpX, helpY] = at(3060, 2730, 480, 480);
    ASSERT_TRUE(x().click(helpX, helpY));

    std::vector<unsigned long> help;
    ASSERT_TRUE(eventually([&] {
        help = x().windows(HelpTitle);
        return help.size() == 1;
    })) << program.output();
    // Placed once the window manager has framed it and the position holds.
    std::optional<Outer> seen;
    const auto placedWell = [&] {
        seen = outer(help.front());
        return seen && seen->left >= 0 && seen->top >= 0 && seen->right <= ScreenWidth &&
               seen->bottom <= ScreenHeight && seen->left < calc->right &&
               calc->left < seen->right && seen->top < calc->bottom && calc->top < seen->bottom;
    };
    EXPECT_TRUE(eventually(placedWell, 15))
        << "help at " << (seen ? seen->left : -1) << "," << (seen ? seen->top : -1) << " to "
        << (seen ? seen->right : -1) << "," << (seen ? seen->bottom : -1) << "; calculator at "
        << calc->left << "," << calc->top << " to " << calc->right << "," << calc->bottom;
    EXPECT_TRUE(program.running());
    EXPECT_EQ(program.output(), "");
}
