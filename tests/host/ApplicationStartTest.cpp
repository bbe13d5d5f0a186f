// What both programs do before their QApplication exists: which display platform they name
// for Qt, and whether Qt's messages reach the console.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QtGlobal>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "HostTestSupport.h"
#include "forms/qt/DisplayPlatform.h"
#include "forms/qt/Host.h"

namespace fs = std::filesystem;
using formsqt::ApplicationArguments;
using formsqt::DisplayPlatform;

namespace {

// A folder with a listening local socket in it, where a Wayland compositor would listen.
class FakeCompositor {
public:
    FakeCompositor() {
        std::string pattern = "/tmp/displaytest-XXXXXX";
        if (::mkdtemp(pattern.data())) folder_ = pattern;
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, (folder_ + "/wayland-0").c_str());
        listening_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                     ::listen(fd_, 4) == 0;
    }
    ~FakeCompositor() {
        ::close(fd_);
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }
    bool listening() const { return listening_; }
    std::string folder() const { return folder_; }

private:
    std::string folder_;
    int fd_ = -1;
    bool listening_ = false;
};

// Sets (NAME=value) or removes (NAME) environment variables; "{folder}" in a value stands
// for `folder`.
void applyVariables(const std::vector<std::string>& variables, const std::string& folder) {
    for (std::string v : variables) {
        if (const std::size_t at = v.find("{folder}"); at != std::string::npos)
            v.replace(at, 8, folder);
        const std::size_t eq = v.find('=');
        if (eq == std::string::npos)
            ::unsetenv(v.c_str());
        else
            ::setenv(v.substr(0, eq).c_str(), v.substr(eq + 1).c_str(), 1);
    }
}

struct DisplayCase {
    const char* name;
    std::vector<std::string> variables;  // "NAME=value" set, "NAME" removed
    std::vector<std::string> arguments;  // after the program's name
    DisplayPlatform platform;
    std::vector<std::string> expected;  // what Qt is given after the program's name
};
void PrintTo(const DisplayCase& c, std::ostream* out) {
    *out << c.name;
}

class DisplayChoice : public ::testing::TestWithParam<DisplayCase> {};

}  // namespace

TEST_P(DisplayChoice, NamesThePlatformForQtAndLeavesTheEnvironment) {
    FakeCompositor compositor;
    ASSERT_TRUE(compositor.listening());
    const DisplayCase& c = GetParam();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "WAYLAND_SOCKET"})
        ::unsetenv(name);
    ::setenv("XDG_RUNTIME_DIR", compositor.folder().c_str(), 1);
    applyVariables(c.variables, compositor.folder());

    std::vector<std::string> given{"/opt/blackjack/bin/oddsdesk"};
    given.insert(given.end(), c.arguments.begin(), c.arguments.end());
    std::vector<char*> argv;
    for (std::string& a : given) argv.push_back(a.data());
    argv.push_back(nullptr);

    ApplicationArguments arguments(static_cast<int>(given.size()), argv.data());
    EXPECT_EQ(arguments.platform(), c.platform);
    EXPECT_TRUE(arguments.displayFound());
    std::vector<std::string> passed;
    for (int i = 0; i < arguments.argc(); ++i) passed.emplace_back(arguments.argv()[i]);
    EXPECT_EQ(arguments.argv()[arguments.argc()], nullptr);
    std::vector<std::string> expected{given.front()};
    expected.insert(expected.end(), c.expected.begin(), c.expected.end());
    EXPECT_EQ(passed, expected);
    // A program started from this one chooses for itself.
    if (c.platform != DisplayPlatform::UserChoice) {
        EXPECT_EQ(std::getenv("QT_QPA_PLATFORM"), nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DisplayChoice,
    ::testing::Values(
        DisplayCase{"UserVariable",
                    {"QT_QPA_PLATFORM=offscreen", "WAYLAND_DISPLAY=wayland-0"},
                    {"x"},
                    DisplayPlatform::UserChoice,
                    {"x"}},
        DisplayCase{"UserOption",
                    {"WAYLAND_DISPLAY=wayland-0"},
                    {"-platform", "offscreen"},
                    DisplayPlatform::UserChoice,
                    {"-platform", "offscreen"}},
        DisplayCase{"WaylandInRuntimeFolder",
                    {"WAYLAND_DISPLAY=wayland-0"},
                    {"x"},
                    DisplayPlatform::Wayland,
                    {"-platform", "wayland", "x"}},
        DisplayCase{
            "WaylandByDefaultName", {}, {}, DisplayPlatform::Wayland, {"-platform", "wayland"}},
        DisplayCase{"WaylandByPath",
                    {"WAYLAND_DISPLAY={folder}/wayland-0", "XDG_RUNTIME_DIR"},
                    {},
                    DisplayPlatform::Wayland,
                    {"-platform", "wayland"}},
        // An X display that does not answer is passed over.
        DisplayCase{"XDisplayGone",
                    {"DISPLAY=:65000"},
                    {},
                    DisplayPlatform::Wayland,
                    {"-platform", "wayland"}}),
    [](const auto& info) { return std::string(info.param.name); });

// No X server and no compositor where the variables point, or none named at all.
TEST(DisplayChoiceWithoutDisplay, SaysSoInOneLine) {
    FakeCompositor nowhere;  // its folder, without the compositor's socket
    for (const std::vector<std::string>& variables :
         {std::vector<std::string>{"DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR"},
          std::vector<std::string>{"DISPLAY=:65000", "WAYLAND_DISPLAY={folder}/wayland-9",
                                   "XDG_RUNTIME_DIR={folder}"}}) {
        for (const char* name : {"QT_QPA_PLATFORM", "WAYLAND_SOCKET"}) ::unsetenv(name);
        applyVariables(variables, nowhere.folder());
        char name[] = "/usr/bin/oddsdesk";
        char* argv[] = {name, nullptr};
        std::optional<ApplicationArguments> arguments;
        EXPECT_EQ(hosttest::standardError([&] { arguments.emplace(1, argv); }),
                  std::string(program_invocation_short_name) +
                      ": no display could be opened: no X server answers at DISPLAY and no "
                      "Wayland compositor at WAYLAND_DISPLAY\n");
        EXPECT_FALSE(arguments->displayFound());
        EXPECT_EQ(arguments->platform(), DisplayPlatform::None);
    }
}

namespace {

struct MessagesCase {
    const char* name;
    const char* variable;  // set to `value` in the environment, or none
    const char* value;
    const char* console;  // what reaches standard error, as a pattern
};
void PrintTo(const MessagesCase& c, std::ostream* out) {
    *out << c.name;
}

class QtMessages : public ::testing::TestWithParam<MessagesCase> {};

}  // namespace

// The message handler belongs to the process: each case runs in a process of its own.
TEST_P(QtMessages, ReachTheConsoleOnlyWhenTheUserAsks) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const MessagesCase& c = GetParam();
    const auto start = [&c] {
        ::unsetenv("QT_LOGGING_RULES");
        ::unsetenv("QT_DEBUG_PLUGINS");
        // Qt writes to the console even when standard error is no terminal.
        ::setenv("QT_FORCE_STDERR_LOGGING", "1", 1);
        if (c.variable) ::setenv(c.variable, c.value, 1);
        formsqt::initApplication();
        qDebug("a note for the maintainer");
        qWarning("a warning for the maintainer");
        qCritical("a real failure");
        std::exit(0);
    };
    EXPECT_EXIT(start(), ::testing::ExitedWithCode(0), c.console);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QtMessages,
    ::testing::Values(
        MessagesCase{"QuietByDefault", nullptr, nullptr, "^a real failure\n$"},
        MessagesCase{"LoggingRules", "QT_LOGGING_RULES", "qt.qpa.*=true",
                     "^a note for the maintainer\na warning for the maintainer\na real failure\n$"},
        MessagesCase{
            "PluginTrace", "QT_DEBUG_PLUGINS", "1",
            "^a note for the maintainer\na warning for the maintainer\na real failure\n$"}),
    [](const auto& info) { return std::string(info.param.name); });
