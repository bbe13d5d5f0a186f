// The Linux services: single instance, data lookup, sound, help, launch, message box.

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "HostTestSupport.h"
#include "platform/DataFiles.h"
#include "platform/HelpWindow.h"
#include "platform/LocalSingleInstance.h"
#include "platform/QtServices.h"
#include "platform/SdlSound.h"
#include "platform/SystemServices.h"

namespace fs = std::filesystem;

namespace {

fs::path makeTempFolder(const char* stem) {
    std::string pattern = std::string("/tmp/") + stem + "-XXXXXX";
    if (!::mkdtemp(pattern.data())) return {};
    return pattern;
}

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

// A mono 16-bit WAV of `samples` samples of a quiet tone.
void writeWav(const fs::path& path, int samples) {
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    const std::uint32_t rate = 22050, bytes = static_cast<std::uint32_t>(samples) * 2;
    out.write("RIFF", 4);
    u32(36 + bytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    out.write("data", 4);
    u32(bytes);
    for (int i = 0; i < samples; ++i) u16(static_cast<std::uint16_t>((i % 50 < 25) ? 2000 : -2000));
}

}  // namespace

TEST_F(PlatformTest, SecondInstanceSeesTheFirstAndRaisesIt) {
    ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    platform::LocalSingleInstance first("platformtest");
    int activations = 0;
    first.setActivationHandler([&] { ++activations; });
    EXPECT_FALSE(first.previousInstance());

    platform::LocalSingleInstance second("platformtest");
    EXPECT_TRUE(second.previousInstance());
    second.activatePrevious();
    EXPECT_TRUE(QTest::qWaitFor([&] { return activations == 1; }, 5000));

    // Another program has an instance of its own.
    platform::LocalSingleInstance other("platformtest-other");
    EXPECT_FALSE(other.previousInstance());
}

TEST_F(PlatformTest, SocketLeftByACrashDoesNotBlockTheNextStart) {
    ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    platform::LocalSingleInstance first("platformtest");
    // What a crashed copy leaves: a socket file that nobody listens on.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, first.serverName().c_str(), sizeof(address.sun_path) - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);
    ASSERT_TRUE(fs::exists(first.serverName()));

    EXPECT_FALSE(first.previousInstance());
    platform::LocalSingleInstance second("platformtest");
    EXPECT_TRUE(second.previousInstance());
}

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

TEST_F(PlatformTest, SoundPlaysToItsEndOnTheDummyDevice) {
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    writeWav(folder / "card.wav", 1100);
    std::ofstream(folder / "broken.wav") << "RIFF not really";
    platform::SdlSound sound(std::vector<fs::path>{folder});
    EXPECT_TRUE(sound.deviceAvailable());
    sound.playToEnd("card.wav");
    sound.playToEnd("card.wav");  // loaded once, played again
    sound.playToEnd("missing.wav");
    sound.playToEnd("broken.wav");
    sound.stop();
}

bool sdlLoaded() {
    void* lib = ::dlopen("libSDL2-2.0.so.0", RTLD_LAZY | RTLD_NOLOAD);
    if (lib) ::dlclose(lib);
    return lib != nullptr;
}

TEST_F(PlatformTest, TheSoundLibraryIsLoadedAtTheFirstSoundOnly) {
    // In a fresh process, so that no earlier test has loaded it.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    const fs::path sounds = folder;
    EXPECT_EXIT(
        {
            const bool atStart = sdlLoaded();
            platform::SdlSound sound(std::vector<fs::path>{sounds});
            const bool beforeSound = sdlLoaded();
            const bool device = sound.deviceAvailable();
            std::_Exit(!atStart && !beforeSound && device && sdlLoaded() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(PlatformTest, NoAudioDeviceIsSilence) {
    ::setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    writeWav(folder / "chip.wav", 1100);
    platform::SdlSound sound(std::vector<fs::path>{folder});
    EXPECT_FALSE(sound.deviceAvailable());
    sound.playToEnd("chip.wav");
    sound.stop();
}

TEST_F(PlatformTest, OpeningTheAudioDevicePrintsNothing) {
    // ALSA, where there is no sound card, reports it on stderr unless it is told not to.
    ::setenv("SDL_AUDIODRIVER", "alsa", 1);
    const fs::path captured = folder / "stderr.txt";
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    const int file = ::open(captured.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(file, 0);
    ::dup2(file, STDERR_FILENO);
    ::close(file);
    {
        platform::SdlSound sound(std::vector<fs::path>{folder});
        sound.deviceAvailable();
    }
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    std::ifstream in(captured);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text, "");
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
    platform::ShellLauncher().startProgram("no-such-program-here");  // ignored
}

TEST_F(PlatformTest, MessageBoxOffersOkBeforeCancel) {
    platform::MessageBoxDialogs dialogs;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int okLeft = -1, cancelLeft = -1;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        okLeft = box->button(QMessageBox::Ok)->mapTo(box, QPoint(0, 0)).x();
        cancelLeft = box->button(QMessageBox::Cancel)->mapTo(box, QPoint(0, 0)).x();
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(dialogs.askOkCancel("Play Online", "Go?"), platform::Dialogs::Answer::Ok);
    EXPECT_EQ(title, "Play Online");
    EXPECT_EQ(text, "Go?");
    EXPECT_EQ(icon, QMessageBox::Information);
    EXPECT_LT(okLeft, cancelLeft);

    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    EXPECT_EQ(dialogs.askOkCancel("Play Online", "Go?"), platform::Dialogs::Answer::Cancel);
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
