// The product installed by `cmake --install` into a prefix of its own: the programs, their
// sounds and help, icons and desktop entries in place; each program started from its desktop
// entry's command line with only the prefix's bin folder on PATH, finding its help there, and
// each finding the other installed program when it starts it. The same again in a prefix
// whose name is no valid UTF-8: file names are the system's bytes, not text.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>
#include <tuple>

#include "E2ETest.h"

extern char** environ;

namespace {

using e2e::eventually;
using e2e::readFile;

namespace fs = std::filesystem;

const fs::path Prefix = INSTALL_PREFIX;
// The same installation under a name that ends in the byte 0xff (see InstallIntoPrefix.cmake).
const fs::path OddPrefix = std::string(INSTALL_PREFIX) + "-\xff";
const std::string TableTitle = "Brenn Blackjack Game 3.2";
const std::string CalculatorTitle = "Brenn Blackjack Calculator 3.2";
const std::string HelpTitle = "Brenn Blackjack Help";  // the installed help page's title
constexpr double Timeout = 60;                         // sanitizer builds start slowly

// Where the product is installed.
struct Where {
    const char* name;
    fs::path prefix;
};
void PrintTo(const Where& where, std::ostream* out) {
    *out << where.name;
}
const auto BothPrefixes =
    ::testing::Values(Where{"Prefix", Prefix}, Where{"PrefixWhoseNameIsNoUtf8", OddPrefix});

// The value of `key` in the [Desktop Entry] group of a desktop entry file.
std::string desktopValue(const fs::path& entry, const std::string& key) {
    std::istringstream lines(readFile(entry));
    std::string line;
    bool inGroup = false;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.front() == '[')
            inGroup = line == "[Desktop Entry]";
        else if (inGroup && line.rfind(key + "=", 0) == 0)
            return line.substr(key.size() + 1);
    }
    return {};
}

// An Exec command line split into its arguments, without the field codes (%f, %U, ...),
// the program resolved on `path` as the desktop would.
std::vector<std::string> commandLine(const std::string& exec, const fs::path& path) {
    std::vector<std::string> argv;
    std::istringstream words(exec);
    std::string word;
    while (words >> word)
        if (!(word.size() == 2 && word[0] == '%')) argv.push_back(word);
    if (!argv.empty() && argv.front().find('/') == std::string::npos) {
        const fs::path resolved = path / argv.front();
        if (::access(resolved.c_str(), X_OK) == 0) argv.front() = resolved.string();
    }
    return argv;
}

// Runs argv[0] with `argv` to its end; its exit code, and what it wrote in `output`.
int runProgram(const std::vector<std::string>& argv, std::string& output) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return -1;
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    char buffer[4096];
    ssize_t n = 0;
    while (rc == 0 && (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0)
        output.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    if (rc != 0) return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class Installed : public e2e::SessionTest {
protected:
    virtual const Where& where() const = 0;
    const fs::path& prefix() const { return where().prefix; }

    void SetUp() override {
        ASSERT_TRUE(fs::is_directory(prefix())) << prefix() << " is missing: run the install first";
        SessionTest::SetUp();
    }

    void TearDown() override {
        if (!hasSession()) return;
        // Programs started by the programs are not the test's children: end them here.
        for (const char* name : {"cardtable", "oddsdesk"})
            for (pid_t pid : x().processes((prefix() / "bin" / name).string()))
                ::kill(pid, SIGKILL);
    }

    // Starts the program of an installed desktop entry from its Exec line, with only the
    // prefix's programs on PATH, and waits for the window titled `title`.
    unsigned long startFromEntry(e2e::Process& process, const std::string& program,
                                 const std::string& title) {
        const fs::path entry = prefix() / "share/applications" / (program + ".desktop");
        const auto argv = commandLine(desktopValue(entry, "Exec"), prefix() / "bin");
        EXPECT_FALSE(argv.empty()) << entry << " has no Exec line";
        if (argv.empty()) return 0;
        EXPECT_EQ(argv.front(), (prefix() / "bin" / program).string());
        process = x().start(argv.front(), {argv.begin() + 1, argv.end()},
                            {"PATH=" + (prefix() / "bin").string()});
        EXPECT_TRUE(process.started());
        const auto found = x().waitForWindow(title, Timeout);
        EXPECT_EQ(found.size(), 1u) << process.output();
        return found.empty() ? 0 : found.front();
    }

    bool focus(unsigned long window) {
        return x().run({"xdotool", "windowfocus", "--sync", std::to_string(window)}, 10) == 0;
    }
};

TEST(InstalledTree, HoldsTheProgramsTheirDataIconsAndDesktopEntries) {
    ASSERT_TRUE(fs::is_directory(Prefix)) << Prefix << " is missing: run the install first";
    for (const char* program : {"bin/cardtable", "bin/oddsdesk"}) {
        const fs::path path = Prefix / program;
        EXPECT_TRUE(fs::is_regular_file(path)) << path;
        EXPECT_EQ(::access(path.c_str(), X_OK), 0) << path << " is not executable";
    }
    for (const char* file :
         {"share/cardtable/chip.wav", "share/cardtable/shuf.wav", "share/cardtable/card.wav",
          "share/cardtable/tablehelp1.html", "share/oddsdesk/tablehelp1.html",
          "share/icons/hicolor/scalable/apps/cardtable.svg",
          "share/icons/hicolor/scalable/apps/oddsdesk.svg", "share/applications/cardtable.desktop",
          "share/applications/oddsdesk.desktop"}) {
        EXPECT_TRUE(fs::is_regular_file(Prefix / file)) << file << " is not installed";
        EXPECT_GT(fs::file_size(Prefix / file), 0u) << file << " is empty";
    }
    // Beside the scalable icons, each program's icon drawn at every size a desktop shows.
    for (const int side : {16, 24, 32, 48, 64, 128, 256})
        for (const char* program : {"cardtable", "oddsdesk"}) {
            const std::string size = std::to_string(side) + "x" + std::to_string(side);
            const fs::path file =
                Prefix / "share/icons/hicolor" / size / "apps" / (std::string(program) + ".png");
            const QImage icon(QString::fromStdString(file.string()));
            EXPECT_EQ(icon.size(), QSize(side, side)) << file << " is not a " << size << " picture";
        }
    // Each entry starts its own program and names its own icon from the theme.
    for (const char* program : {"cardtable", "oddsdesk"}) {
        const fs::path entry = Prefix / "share/applications" / (std::string(program) + ".desktop");
        EXPECT_EQ(commandLine(desktopValue(entry, "Exec"), {}).front(), program);
        EXPECT_EQ(desktopValue(entry, "Icon"), program);
    }
}

class InstalledFiles : public ::testing::TestWithParam<Where> {};

// A program in the prefix's bin folder finds the installed sounds and help under
// <prefix>/share/<program>/, wherever the build tree is, and the two installed programs
// beside it.
TEST_P(InstalledFiles, ProgramsInItsBinFolderFindTheirSoundsHelpAndEachOther) {
    const fs::path prefix = GetParam().prefix;
    ASSERT_TRUE(fs::is_directory(prefix / "bin")) << prefix << " is missing: run the install first";
    const fs::path probe = prefix / "bin" / ("datafiles-probe-" + std::to_string(::getpid()));
    fs::copy_file(DATAFILES_PROBE, probe, fs::copy_options::overwrite_existing);
    const std::vector<std::string> files{"cardtable/chip.wav", "cardtable/shuf.wav",
                                         "cardtable/card.wav", "cardtable/tablehelp1.html",
                                         "oddsdesk/tablehelp1.html"};
    const std::vector<std::string> programs{"cardtable", "oddsdesk.exe"};
    std::vector<std::string> argv{probe.string()};
    argv.insert(argv.end(), files.begin(), files.end());
    argv.insert(argv.end(), programs.begin(), programs.end());
    std::string output;
    const int code = runProgram(argv, output);
    fs::remove(probe);
    ASSERT_EQ(code, 0) << output;

    std::istringstream lines(output);
    for (const std::string& file : files) {
        std::string found;
        std::getline(lines, found);
        std::error_code ec;
        EXPECT_TRUE(fs::equivalent(found, prefix / "share" / file, ec))
            << file << " found at \"" << found << "\"";
    }
    for (const std::string& program : programs) {
        std::string found;
        std::getline(lines, found);
        EXPECT_EQ(found, (prefix / "bin" / program.substr(0, program.find('.'))).string())
            << program;
    }
}

INSTANTIATE_TEST_SUITE_P(, InstalledFiles, BothPrefixes,
                         [](const auto& info) { return std::string(info.param.name); });

struct Program {
    const char* name;
    const char* title;
};
void PrintTo(const Program& program, std::ostream* out) {
    *out << program.name;
}

class EachInstalledProgram : public Installed,
                             public ::testing::WithParamInterface<std::tuple<Program, Where>> {
protected:
    const Where& where() const override { return std::get<1>(GetParam()); }
    const Program& program() const { return std::get<0>(GetParam()); }
};

TEST_P(EachInstalledProgram, StartsFromItsDesktopEntryAndOpensItsInstalledHelpOnF1) {
    e2e::Process program;
    const unsigned long window =
        startFromEntry(program, this->program().name, this->program().title);
    ASSERT_NE(window, 0u);
    EXPECT_EQ(x().processes((prefix() / "bin" / this->program().name).string()),
              std::vector<pid_t>{program.pid()});

    ASSERT_TRUE(focus(window));
    ASSERT_EQ(x().run({"xdotool", "key", "F1"}, 10), 0);
    // The help window takes the page's title only when it found the installed page.
    EXPECT_EQ(x().waitForWindow(HelpTitle, Timeout).size(), 1u) << program.output();
    EXPECT_TRUE(program.running());
    EXPECT_EQ(program.output(), "");
}

INSTANTIATE_TEST_SUITE_P(
    , EachInstalledProgram,
    ::testing::Combine(::testing::Values(Program{"cardtable", "Brenn Blackjack Game 3.2"},
                                         Program{"oddsdesk", "Brenn Blackjack Calculator 3.2"}),
                       BothPrefixes),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
    });

class InstalledUnder : public Installed, public ::testing::WithParamInterface<Where> {
protected:
    const Where& where() const override { return GetParam(); }
};

TEST_P(InstalledUnder, OnlineCalculatorStartsTheInstalledCalculator) {
    e2e::Process table;
    const unsigned long window = startFromEntry(table, "cardtable", TableTitle);
    ASSERT_NE(window, 0u);

    ASSERT_TRUE(focus(window));
    const std::size_t before = x().windowsOf(table.pid()).size();
    ASSERT_EQ(x().run({"xdotool", "key", "alt+f"}, 10), 0);
    ASSERT_TRUE(eventually([&] { return x().windowsOf(table.pid()).size() > before; }))
        << "the File menu did not open";
    ASSERT_EQ(x().run({"xdotool", "key", "c"}, 10), 0);

    EXPECT_EQ(x().waitForWindow(CalculatorTitle, Timeout).size(), 1u) << table.output();
    EXPECT_EQ(x().processes((prefix() / "bin/oddsdesk").string()).size(), 1u);
    EXPECT_TRUE(table.running());
    EXPECT_EQ(table.output(), "");
}

TEST_P(InstalledUnder, PlayGameStartsTheInstalledTable) {
    e2e::Process calculator;
    const unsigned long window = startFromEntry(calculator, "oddsdesk", CalculatorTitle);
    ASSERT_NE(window, 0u);
    const auto where = x().geometry(window);
    ASSERT_TRUE(where);

    // "More..." grows the window; "Play Game" then lies in view.
    ASSERT_TRUE(x().click(where->x + (2790 + 345) / 15, where->y + (420 + 127) / 15));
    ASSERT_TRUE(eventually([&] {
        const auto now = x().geometry(window);
        return now && now->height == 5115 / 15;
    }));
    ASSERT_TRUE(x().click(where->x + (1560 + 570) / 15, where->y + (4440 + 127) / 15));
    ASSERT_TRUE(calculator.waitExit(Timeout)) << "the calculator still runs after Play Game";

    EXPECT_EQ(x().waitForWindow(TableTitle, Timeout).size(), 1u);
    EXPECT_EQ(x().processes((prefix() / "bin/cardtable").string()).size(), 1u);
    EXPECT_EQ(calculator.output(), "");
}

INSTANTIATE_TEST_SUITE_P(, InstalledUnder, BothPrefixes,
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
