// The Linux services: data lookup, help, launch, message box.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "HostTestSupport.h"
#include "platform/DataFiles.h"
#include "platform/HelpWindow.h"
#include "platform/QtServices.h"
#include "platform/SystemServices.h"

namespace fs = std::filesystem;

namespace {

fs::path makeTempFolder(const char* stem) {
    std::string pattern = std::string("/tmp/") + stem + "-XXXXXX";
    if (!::mkdtemp(pattern.data())) return {};
    return pattern;
}

// Sets PATH for the life of the object.
class ScopedPath {
public:
    explicit ScopedPath(const std::string& path) {
        if (const char* old = std::getenv("PATH")) old_ = old;
        ::setenv("PATH", path.c_str(), 1);
    }
    ~ScopedPath() {
        if (old_)
            ::setenv("PATH", old_->c_str(), 1);
        else
            ::unsetenv("PATH");
    }

private:
    std::optional<std::string> old_;
};

class PlatformTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { hosttest::ensureApplication(); }
    void SetUp() override { folder = makeTempFolder("platformtest"); }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    fs::path folder;
};

}  // namespace

TEST_F(PlatformTest, DataFilesBesideTheExecutableComeFirst) {
    const std::vector<fs::path> folders = platform::dataFolders("cardtable");
    ASSERT_EQ(folders.size(), 3u);
    EXPECT_EQ(folders[0], platform::executableFolder());
    // An installed tree found where it lies now, then where it was configured to go.
    EXPECT_EQ(folders[1], platform::executableFolder().parent_path() / "share" / "cardtable");
    EXPECT_EQ(folders[2].filename(), "cardtable");
    EXPECT_EQ(folders[2].parent_path().filename(), "share");

    const fs::path near = folder / "near", far = folder / "far";
    fs::create_directories(near);
    fs::create_directories(far);
    std::ofstream(near / "both.wav") << "n";
    std::ofstream(far / "both.wav") << "f";
    std::ofstream(far / "far.wav") << "f";
    fs::create_directories(near / "folder.wav");
    const std::vector<fs::path> order{near, far};
    EXPECT_EQ(platform::findDataFile(order, "both.wav"), (near / "both.wav").string());
    EXPECT_EQ(platform::findDataFile(order, "far.wav"), (far / "far.wav").string());
    EXPECT_EQ(platform::findDataFile(order, "folder.wav"), "");
    EXPECT_EQ(platform::findDataFile(order, "missing.wav"), "");
    EXPECT_EQ(platform::findDataFile(order, "../far/far.wav"), "");
}

TEST_F(PlatformTest, HelpOpensAtTheContextsTopicInOneWindow) {
    std::ofstream html(folder / "tablehelp1.html");
    html << "<html><head><title>Blackjack Help</title></head><body><h1>Top</h1>";
    for (int i = 0; i < 200; ++i) html << "<p>Line " << i << "</p>";
    html << "<h2><a name=\"context-405\"></a>Contents</h2>";
    for (int i = 0; i < 200; ++i) html << "<p>More " << i << "</p>";
    html << "</body></html>";
    html.close();

    platform::HelpWindowViewer help(std::vector<fs::path>{folder});
    help.showHelp("tablehelp1", 405);
    QWidget* window = help.window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Blackjack Help");
    EXPECT_GT(help.browser()->verticalScrollBar()->value(), 0);

    help.showHelp("tablehelp1", 1);  // no such topic: the beginning
    EXPECT_EQ(help.browser()->verticalScrollBar()->value(), 0);
    help.showHelp("tablehelp1", 405);
    EXPECT_EQ(help.window(), window);
    EXPECT_GT(help.browser()->verticalScrollBar()->value(), 0);

    help.showHelp("nohelp", 405);
    EXPECT_TRUE(help.browser()->toPlainText().contains("could not be found"));
}

// Folder names are the system's bytes, not text: a help file in a folder whose name is no
// valid UTF-8 is shown all the same.
TEST_F(PlatformTest, HelpIsFoundInAFolderWhoseNameIsNoUtf8) {
    const fs::path odd = folder / "help-\xff\xfe";
    fs::create_directories(odd);
    std::ofstream(odd / "tablehelp1.html")
        << "<html><head><title>Blackjack Help</title></head><body><p>Top</p>"
        << "<h2><a name=\"context-405\"></a>Contents</h2><p><a "
           "href=\"#top\">Back</a></p></body></html>";

    platform::HelpWindowViewer help(std::vector<fs::path>{folder / "missing", odd});
    help.showHelp("tablehelp1", 405);
    ASSERT_NE(help.window(), nullptr);
    EXPECT_EQ(help.window()->windowTitle(), "Blackjack Help");
    EXPECT_TRUE(help.browser()->toPlainText().contains("Contents"));

    // Shown again after the file went missing and came back.
    fs::rename(odd / "tablehelp1.html", odd / "away.html");
    help.showHelp("tablehelp1", 405);
    EXPECT_TRUE(help.browser()->toPlainText().contains("could not be found"));
    fs::rename(odd / "away.html", odd / "tablehelp1.html");
    help.showHelp("tablehelp1", 405);
    EXPECT_TRUE(help.browser()->toPlainText().contains("Contents"));
}

TEST(HelpFile, HoldsTheContentsTopic) {
    std::ifstream in(BLACKJACK_HELP_FILE);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(text.find("name=\"context-405\""), std::string::npos);
}

TEST_F(PlatformTest, LauncherFindsSiblingsFirstThenPath) {
    const std::string self = platform::executableFolder() / "platform_tests";
    EXPECT_EQ(platform::ShellLauncher::locateProgram("platform_tests"), self);
    EXPECT_EQ(platform::ShellLauncher::locateProgram("platform_tests.exe"), self);
    EXPECT_FALSE(platform::ShellLauncher::locateProgram("sh").empty());
    EXPECT_EQ(platform::ShellLauncher::locateProgram("no-such-program-here"), "");
    EXPECT_EQ(platform::ShellLauncher::locateProgram("/bin/sh"), "");
}

// A program in a folder whose name is no valid UTF-8 is found and started by its bytes, with
// or without the ".exe" of its home platform.
TEST_F(PlatformTest, LauncherStartsAProgramInAFolderWhoseNameIsNoUtf8) {
    const fs::path odd = folder / "bin-\xff";
    fs::create_directories(odd);
    const fs::path program = odd / "marker-program";
    std::ofstream(program) << "#!/bin/sh\n: > \"$0.ran\"\n";
    fs::permissions(program, fs::perms::owner_all);
    const ScopedPath path("/nonexistent:" + odd.string());
    EXPECT_EQ(platform::ShellLauncher::locateProgram("marker-program"), program.string());

    platform::ShellLauncher launcher;
    EXPECT_EQ(hosttest::standardError([&] { launcher.startProgram("marker-program.exe"); }), "");
    EXPECT_TRUE(QTest::qWaitFor([&] { return fs::exists(odd / "marker-program.ran"); }, 10000));
}

// A descriptor that this process holds without close-on-exec, as one it inherited from its
// own parent, does not reach a program that it starts: the program has only its standard
// input, output and error of ours.
TEST_F(PlatformTest, LauncherPassesOnNoDescriptorBeyondTheStandardOnes) {
    const fs::path bin = folder / "bin";
    fs::create_directories(bin);
    const fs::path marker = folder / "inherited-marker";
    std::ofstream(marker) << "held\n";
    const int inherited = ::open(marker.c_str(), O_RDONLY);  // no close-on-exec
    ASSERT_GE(inherited, 0);
    const int high = ::dup2(inherited, 200);
    ASSERT_EQ(high, 200);
    const fs::path program = bin / "descriptor-report";
    std::ofstream(program) << "#!/bin/sh\n/bin/ls -l /proc/$$/fd > \"$0.list\"\n"
                              "/bin/mv \"$0.list\" \"$0.fds\"\n";
    fs::permissions(program, fs::perms::owner_all);
    const ScopedPath path(bin.string());

    platform::ShellLauncher launcher;
    launcher.startProgram("descriptor-report");
    const fs::path report = bin / "descriptor-report.fds";
    const bool reported = QTest::qWaitFor([&] { return fs::exists(report); }, 10000);
    ::close(inherited);
    ::close(high);
    ASSERT_TRUE(reported);
    std::ifstream in(report);
    const std::string fds((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(fds.find("inherited-marker"), std::string::npos) << fds;
}

// Nothing is shown when a program cannot be started, and the caller goes on; one line on
// standard error says which program and why.
TEST_F(PlatformTest, LauncherSaysInOneLineWhyAProgramDoesNotStart) {
    const fs::path odd = folder / "bin-\xff";
    fs::create_directories(odd);
    // An executable file that is no program the system can run.
    const fs::path broken = odd / "broken-program";
    std::ofstream(broken) << "not a program\n";
    fs::permissions(broken, fs::perms::owner_all);
    const ScopedPath path(odd.string());
    const std::string self = program_invocation_short_name;

    platform::ShellLauncher launcher;
    EXPECT_EQ(
        hosttest::standardError([&] { launcher.startProgram("no-such-program-here"); }),
        self + ": cannot start no-such-program-here: not found beside this program or on PATH\n");
    EXPECT_EQ(hosttest::standardError([&] { launcher.startProgram("broken-program"); }),
              self + ": cannot start " + broken.string() + ": " + std::strerror(ENOEXEC) + "\n");
}

namespace {

// What a modal box showed while it was open.
struct SeenBox {
    bool shown = false;       // a modal window opened
    bool messageBox = false;  // and it was a message box
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    std::optional<int> okLeft, cancelLeft;  // where its buttons start, in the box
    bool closeIgnored = false;              // it stayed open when its close box was used
};

// Runs `ask`, which opens a modal box, reads the box from its event loop and answers it with
// `answer`, or closes it when `answer` is NoButton or the box has no such button. Whatever
// the box is, it ends, so that the test fails on what was read instead of waiting.
SeenBox answerModalBox(QMessageBox::StandardButton answer, const std::function<void()>& ask) {
    SeenBox seen;
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        watch.stop();
        seen.shown = true;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            seen.messageBox = true;
            seen.title = box->windowTitle();
            seen.text = box->text();
            seen.icon = box->icon();
            if (QAbstractButton* ok = box->button(QMessageBox::Ok))
                seen.okLeft = ok->mapTo(box, QPoint(0, 0)).x();
            if (QAbstractButton* cancel = box->button(QMessageBox::Cancel))
                seen.cancelLeft = cancel->mapTo(box, QPoint(0, 0)).x();
            if (QAbstractButton* button = box->button(answer)) {
                button->click();
                return;
            }
        }
        modal->close();
        // A box without an escape button ignores its close box: it is ended all the same.
        if (modal->isVisible()) {
            seen.closeIgnored = true;
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else
                modal->hide();
        }
    });
    watch.start();
    ask();
    return seen;
}

}  // namespace

TEST_F(PlatformTest, MessageBoxOffersOkBeforeCancel) {
    platform::MessageBoxDialogs dialogs;
    std::optional<platform::Dialogs::Answer> answer;
    const auto ask = [&] { answer = dialogs.askOkCancel("Play Online", "Go?"); };

    const SeenBox seen = answerModalBox(QMessageBox::Ok, ask);
    ASSERT_TRUE(seen.messageBox) << (seen.shown ? "the box is no message box" : "no box opened");
    EXPECT_EQ(answer, platform::Dialogs::Answer::Ok);
    EXPECT_EQ(seen.title, "Play Online");
    EXPECT_EQ(seen.text, "Go?");
    EXPECT_EQ(seen.icon, QMessageBox::Information);
    ASSERT_TRUE(seen.okLeft && seen.cancelLeft) << "the box lacks OK or Cancel";
    EXPECT_LT(*seen.okLeft, *seen.cancelLeft);

    // Closed by its close box, it answers Cancel.
    answer.reset();
    const SeenBox closed = answerModalBox(QMessageBox::NoButton, ask);
    ASSERT_TRUE(closed.messageBox);
    EXPECT_FALSE(closed.closeIgnored);
    EXPECT_EQ(answer, platform::Dialogs::Answer::Cancel);
}

TEST_F(PlatformTest, EventPumpHandlesWhatIsQueued) {
    bool handled = false;
    QTimer::singleShot(0, [&] { handled = true; });
    platform::QtEventPump pump;
    pump.processPendingEvents();
    EXPECT_TRUE(handled);
    pump.processPendingEvents();  // nothing queued: returns all the same
}

TEST(SystemRandom, StaysInTheUnitInterval) {
    platform::SystemRandom a, b;
    bool differ = false;
    for (int i = 0; i < 10000; ++i) {
        const double r = a.nextUnit();
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
        if (r != b.nextUnit()) differ = true;
    }
    EXPECT_TRUE(differ);  // seeded apart
}
