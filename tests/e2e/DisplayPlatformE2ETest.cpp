// Which display the programs open: the X display wherever one answers, also in a Wayland
// session beside a compositor; Wayland without an X display; the platform a user chose is
// kept; and with no display at all the program ends at once, saying so in one line.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "E2ETest.h"

namespace {

using e2e::DefaultTimeout;

struct Program {
    const char* name;
    const char* title;
};
void PrintTo(const Program& program, std::ostream* out) {
    *out << program.name;
}

const auto BothPrograms = ::testing::Values(Program{"cardtable", "Brenn Blackjack Game 3.2"},
                                            Program{"oddsdesk", "Brenn Blackjack Calculator 3.2"});
std::string programName(const ::testing::TestParamInfo<Program>& info) {
    return info.param.name;
}

// Whether the process `pid` has loaded the shared library whose file name starts with
// `stem` (Qt's platform plugins: "libqxcb.so", "libqwayland-").
bool loads(pid_t pid, const std::string& stem) {
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    std::string line;
    while (std::getline(maps, line))
        if (line.find("/" + stem) != std::string::npos) return true;
    return false;
}

class DisplayChoice : public e2e::SessionTest, public ::testing::WithParamInterface<Program> {
protected:
    // Starts the program with the session's environment changed by `variables`; none of
    // them names a platform unless the test does.
    e2e::Process start(std::vector<std::string> variables) {
        variables.insert(variables.begin(), "QT_QPA_PLATFORM");
        return x().start(e2e::programPath(GetParam().name), {}, variables);
    }

    // A copy started with `variables` after `first` finds it running: the first answers
    // from its event loop, once its window is up, and the later copy ends quietly.
    void expectLaterCopyHandsOver(e2e::Process& first, const std::vector<std::string>& variables) {
        ASSERT_TRUE(waitUntilListening(GetParam().name)) << first.output();
        e2e::Process second = start(variables);
        const auto code = second.waitExit(DefaultTimeout);
        ASSERT_TRUE(code) << "the later copy still runs";
        EXPECT_EQ(*code, 0) << second.output();
        EXPECT_EQ(second.output(), "");
        EXPECT_TRUE(first.running()) << first.output();
    }
};

// The same, beside a headless Wayland compositor.
class BesideWayland : public DisplayChoice {
protected:
    void SetUp() override {
        DisplayChoice::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        if (!e2e::waylandCompositorAvailable()) GTEST_SKIP() << "weston is not installed";
        compositor_ = x().startWaylandCompositor();
        if (!compositor_.started()) GTEST_SKIP() << "weston cannot start here";
    }
    std::string wayland() const { return "WAYLAND_DISPLAY=" + x().waylandSocket(); }

    e2e::Process compositor_;
};

}  // namespace

TEST_P(BesideWayland, OpensItsWindowOnTheXDisplayWhenBothAreThere) {
    e2e::Process program = start({wayland()});
    ASSERT_TRUE(program.started());
    EXPECT_EQ(x().waitForWindow(GetParam().title, DefaultTimeout).size(), 1u) << program.output();
    EXPECT_TRUE(loads(program.pid(), "libqxcb.so"));
    EXPECT_FALSE(loads(program.pid(), "libqwayland-"));
    EXPECT_TRUE(program.running());
    EXPECT_EQ(program.output(), "");
}

TEST_P(BesideWayland, RunsOnWaylandWithoutAnXDisplay) {
    const std::vector<std::string> variables{wayland(), "DISPLAY"};
    e2e::Process program = start(variables);
    ASSERT_TRUE(program.started());
    expectLaterCopyHandsOver(program, variables);
    EXPECT_TRUE(loads(program.pid(), "libqwayland-"));
    EXPECT_EQ(program.output(), "");
}

TEST_P(BesideWayland, KeepsThePlatformTheUserChose) {
    const std::vector<std::string> variables{wayland(), "QT_QPA_PLATFORM=wayland"};
    e2e::Process program = start(variables);
    ASSERT_TRUE(program.started());
    expectLaterCopyHandsOver(program, variables);
    EXPECT_TRUE(loads(program.pid(), "libqwayland-"));
    EXPECT_FALSE(loads(program.pid(), "libqxcb.so"));
    EXPECT_EQ(program.output(), "");
}

INSTANTIATE_TEST_SUITE_P(, BesideWayland, BothPrograms, programName);

TEST_P(DisplayChoice, EndsWithOneLineWhenNoDisplayAnswers) {
    const std::string expected = std::string(GetParam().name) +
                                 ": no display could be opened: no X server answers at DISPLAY "
                                 "and no Wayland compositor at WAYLAND_DISPLAY\n";
    // No display named at all, and a Wayland display named where nothing listens.
    for (const std::string& wayland :
         {std::string("WAYLAND_DISPLAY"), "WAYLAND_DISPLAY=" + x().folder() + "/no-compositor"}) {
        SCOPED_TRACE(wayland);
        e2e::Process program = start({"DISPLAY", wayland});
        ASSERT_TRUE(program.started());
        const auto code = program.waitExit(DefaultTimeout);
        ASSERT_TRUE(code) << "it still runs without a display";
        EXPECT_EQ(*code, 1);
        EXPECT_EQ(program.output(), expected);
    }
}

INSTANTIATE_TEST_SUITE_P(, DisplayChoice, BothPrograms, programName);
