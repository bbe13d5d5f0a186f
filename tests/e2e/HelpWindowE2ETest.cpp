// The help of the real cardtable on a private X display: F1 on the table opens the help
// window, and Escape closes it again while the table stays.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "E2ETest.h"

namespace {

using e2e::eventually;

const std::string TableTitle = "Brenn Blackjack Game 3.2";
const std::string HelpTitle = "Brenn Blackjack Help";
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
