// The real cardtable on a private X display: its table window opens with its caption, the
// settings file is written with its four keys when the window closes or the session ends
// the program, and a second copy ends by itself while the first stays and the file is left
// as it was.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "E2ETest.h"

namespace {

using e2e::eventually;
using e2e::readFile;

const std::string Title = "Brenn Blackjack Game 3.2";
constexpr double WindowTimeout = 60;  // generous: sanitizer builds start slowly

class Cardtable : public e2e::SessionTest {
protected:
    std::string settingsFile() const { return x().configHome() + "/zopt22.ini"; }
    e2e::Process startCardtable() { return x().start(e2e::programPath("cardtable")); }

    // Starts cardtable and waits for its window.
    unsigned long openWindow(e2e::Process& program) {
        return SessionTest::openWindow(program, e2e::programPath("cardtable"), Title);
    }

    // The table has ended as by its close box, after `what`: status 0, nothing printed, the
    // four settings written and no socket left behind.
    void expectEndedAsByItsCloseBox(e2e::Process& program, const char* what) {
        const auto code = program.waitExit(WindowTimeout);
        ASSERT_TRUE(code) << "cardtable still runs after " << what;
        EXPECT_EQ(*code, 0);
        EXPECT_EQ(program.output(), "");
        const std::string written = readFile(settingsFile());
        for (const char* line : {"[Options]", "Speed=slow", "odds=on", "sound=on", "pot= 1000"})
            EXPECT_NE(written.find(line), std::string::npos) << line << " missing in\n" << written;
        EXPECT_FALSE(
            std::filesystem::exists(std::filesystem::symlink_status(instanceSocket("cardtable"))));
    }
};

TEST_F(Cardtable, OpensTheTableAndWritesTheSettingsWhenClosed) {
    ASSERT_FALSE(std::filesystem::exists(settingsFile()));
    e2e::Process program;
    const unsigned long window = openWindow(program);
    ASSERT_NE(window, 0u);
    EXPECT_TRUE(program.running());
    EXPECT_FALSE(std::filesystem::exists(settingsFile()));  // written only at the end

    ASSERT_TRUE(x().closeWindow(window));
    const auto code = program.waitExit(WindowTimeout);
    ASSERT_TRUE(code) << "cardtable still runs after its window was closed";
    EXPECT_EQ(*code, 0);
    EXPECT_EQ(program.output(), "");

    const std::string written = readFile(settingsFile());
    const auto section = written.find("[Options]");
    const auto speed = written.find("Speed=slow");
    const auto odds = written.find("odds=on");
    const auto sound = written.find("sound=on");
    const auto pot = written.find("pot= 1000");
    ASSERT_NE(section, std::string::npos) << written;
    ASSERT_NE(speed, std::string::npos) << written;
    ASSERT_NE(odds, std::string::npos) << written;
    ASSERT_NE(sound, std::string::npos) << written;
    ASSERT_NE(pot, std::string::npos) << written;
    EXPECT_LT(section, speed);
    EXPECT_LT(speed, odds);
    EXPECT_LT(odds, sound);
    EXPECT_LT(sound, pot);
}

TEST_F(Cardtable, StoredSettingsAreKeptAndWrittenBack) {
    std::filesystem::create_directories(x().configHome());
    {
        std::ofstream out(settingsFile(), std::ios::binary);
        out << "; kept\n[Options]\nSpeed=Fast\nodds=off\nsound=off\npot= 2500\n[Other]\nx=1\n";
    }
    e2e::Process program;
    const unsigned long window = openWindow(program);
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(x().closeWindow(window));
    ASSERT_TRUE(program.waitExit(WindowTimeout));

    const std::string written = readFile(settingsFile());
    for (const char* line :
         {"; kept", "Speed=fast", "odds=off", "sound=off", "pot= 2500", "[Other]", "x=1"})
        EXPECT_NE(written.find(line), std::string::npos) << line << " missing in\n" << written;
}

TEST_F(Cardtable, ExitFromTheFileMenuWritesTheSettings) {
    e2e::Process program;
    const unsigned long window = openWindow(program);
    ASSERT_NE(window, 0u);
    const auto where = x().geometry(window);
    ASSERT_TRUE(where);

    // "File" is the first title of the menu bar; "Exit" its second item.
    const std::size_t before = x().windowsOf(program.pid()).size();
    ASSERT_TRUE(x().click(where->x + 18, where->y + 8));
    ASSERT_TRUE(e2e::eventually([&] { return x().windowsOf(program.pid()).size() > before; }))
        << "the File menu did not open";
    ASSERT_EQ(x().run({"xdotool", "key", "--delay", "100", "Down", "Down", "Return"}, 10), 0);
    const auto code = program.waitExit(WindowTimeout);
    ASSERT_TRUE(code) << "cardtable still runs after Exit";
    EXPECT_EQ(*code, 0);
    EXPECT_EQ(program.output(), "");
    EXPECT_NE(readFile(settingsFile()).find("pot= 1000"), std::string::npos);
}

TEST_F(Cardtable, SecondCopyEndsWhileTheFirstStaysAndLeavesTheFileAlone) {
    std::filesystem::create_directories(x().configHome());
    const std::string stored = "[Options]\nSpeed=slow\nodds=on\nsound=off\npot= 750\n";
    {
        std::ofstream out(settingsFile(), std::ios::binary);
        out << stored;
    }
    e2e::Process first;
    ASSERT_NE(openWindow(first), 0u);
    ASSERT_TRUE(waitUntilListening("cardtable")) << first.output();

    e2e::Process second = startCardtable();
    expectSecondCopyEnds(second, first, Title);
    EXPECT_EQ(readFile(settingsFile()), stored);
}

// Logout or `kill` (SIGTERM), a closed terminal (SIGHUP) and Ctrl-C (SIGINT) end cardtable
// as its close box does: the four settings written, its socket gone.
class CardtableEndedBySignal : public Cardtable, public ::testing::WithParamInterface<int> {};

TEST_P(CardtableEndedBySignal, WritesTheSettingsAndLeavesNoSocket) {
    e2e::Process program;
    ASSERT_NE(openWindow(program), 0u);
    ASSERT_TRUE(waitUntilListening("cardtable")) << program.output();
    ASSERT_FALSE(std::filesystem::exists(settingsFile()));

    ASSERT_EQ(::kill(program.pid(), GetParam()), 0);
    expectEndedAsByItsCloseBox(program, "the signal");
}

INSTANTIATE_TEST_SUITE_P(Signals, CardtableEndedBySignal,
                         ::testing::Values(SIGTERM, SIGHUP, SIGINT),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(sigabbrev_np(info.param));
                         });

// The socket removed while the table runs (a cleaner of the temporary folder): the table
// listens again, and a later start still finds it and ends.
TEST_F(Cardtable, SocketRemovedWhileItRunsIsMadeAgain) {
    e2e::Process first;
    ASSERT_NE(openWindow(first), 0u);
    ASSERT_TRUE(waitUntilListening("cardtable")) << first.output();
    ASSERT_TRUE(std::filesystem::remove(instanceSocket("cardtable")));
    ASSERT_TRUE(waitUntilListening("cardtable")) << "the table did not listen again";

    e2e::Process second = startCardtable();
    expectSecondCopyEnds(second, first, Title);
}

// A logout sends SIGTERM and a moment later SIGHUP; an impatient user sends SIGTERM twice.
// With the about box open, the second signal finds the end under way and changes nothing:
// the table ends as by its close box, with status 0, the settings written and no socket
// left, whether the second signal comes a few milliseconds after the first or once the
// window has gone and the program takes itself down.
struct SignalPair {
    int first, second;
    bool afterTheWindow;  // the second once the window has gone, else 5 ms after the first
};

class CardtableEndedByTwoSignals : public Cardtable,
                                   public ::testing::WithParamInterface<SignalPair> {};

TEST_P(CardtableEndedByTwoSignals, EndsOnceInOrderWithTheAboutBoxOpen) {
    e2e::Process program;
    const unsigned long window = openWindow(program);
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(waitUntilListening("cardtable")) << program.output();
    // Help, About, from the keyboard.
    ASSERT_EQ(x().run({"xdotool", "windowfocus", "--sync", std::to_string(window)}, 10), 0);
    const std::size_t before = x().windowsOf(program.pid()).size();
    ASSERT_EQ(x().run({"xdotool", "key", "alt+h"}, 10), 0);
    ASSERT_TRUE(eventually([&] { return x().windowsOf(program.pid()).size() > before; }))
        << "the Help menu did not open";
    ASSERT_EQ(x().run({"xdotool", "key", "a"}, 10), 0);
    ASSERT_EQ(x().waitForWindow("About Carvex", WindowTimeout).size(), 1u) << program.output();

    const SignalPair pair = GetParam();
    ASSERT_EQ(::kill(program.pid(), pair.first), 0);
    if (pair.afterTheWindow)
        ASSERT_TRUE(x().waitForNoWindow(Title, WindowTimeout));
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ::kill(program.pid(), pair.second);  // the program may have ended already
    expectEndedAsByItsCloseBox(program, "the signals");
}

INSTANTIATE_TEST_SUITE_P(
    Signals, CardtableEndedByTwoSignals,
    ::testing::Values(SignalPair{SIGTERM, SIGHUP, false}, SignalPair{SIGTERM, SIGTERM, false},
                      SignalPair{SIGTERM, SIGHUP, true}, SignalPair{SIGTERM, SIGTERM, true}),
    [](const ::testing::TestParamInfo<SignalPair>& info) {
        return std::string(sigabbrev_np(info.param.first)) + "Then" +
               sigabbrev_np(info.param.second) +
               (info.param.afterTheWindow ? "OnceTheWindowIsGone" : "FiveMsLater");
    });

}  // namespace
