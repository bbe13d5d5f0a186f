// The two programs' real windows on the Qt host: a click on a widget reaches the window's
// handler, and what the handler changes reaches the widgets.

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "HostTestSupport.h"
#include "calculator/CalculatorWindow.h"
#include "forms/qt/Host.h"
#include "platform/SdlSound.h"
#include "support/Fakes.h"
#include "table/TableWindow.h"
#include "../table/TableFixture.h"

namespace {

class CalculatorOnHost : public ::testing::Test {
protected:
    static void SetUpTestSuite() { hosttest::ensureApplication(); }

    fakes::FakeInstance instance;
    fakes::RecordingProgram program;
    fakes::RecordingLauncher launcher;
    fakes::RecordingKeys keys;
    calculator::CalculatorWindow window{calculator::Services{instance, program, launcher, keys}};
    hosttest::SolidPictures pictures;
    formsqt::Host host{window, pictures};

    void clickKey(const char* name) {
        auto* key = host.widget()->findChild<QPushButton*>(name);
        ASSERT_NE(key, nullptr) << name;
        QTest::mouseClick(key, Qt::LeftButton);
    }
};

}  // namespace

TEST_F(CalculatorOnHost, CardKeysReachTheEngineAndItsFiguresReachTheWidgets) {
    window.Form_Load();
    clickKey("Command1(10)");
    clickKey("Command3(10)");
    clickKey("Command3(6)");
    EXPECT_EQ(window.panel.lstandpe.caption(), "-0.5404");
    EXPECT_EQ(window.panel.lhitpe.caption(), "-0.5398");
    EXPECT_EQ(window.panel.ldoubpe.caption(), "-1.0797");
    auto* hit = host.widget()->findChild<QLabel*>("lhitpe");
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(hit->text(), "-0.5398");
    EXPECT_FALSE(hit->isHidden());
    auto* line = host.widget()->findChild<QLabel*>("Ladd2");
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->text(), "10 + 6 = 16");
    // The hit bar is the marked one; its width follows the value (669.591 twips).
    EXPECT_EQ(window.panel.lhitper.backColor(), 49152u);
    EXPECT_EQ(host.widgetFor(window.panel.lhitper)->width(), 45);
}

namespace {

class TableOnHost : public TableFixture {
protected:
    static void SetUpTestSuite() { hosttest::ensureApplication(); }
    void SetUp() override {
        TableFixture::SetUp();
        load();
        host = std::make_unique<formsqt::Host>(*w, pictures);
    }

    hosttest::SolidPictures pictures;
    std::unique_ptr<formsqt::Host> host;
};

}  // namespace

TEST_F(TableOnHost, ChipReleaseBuildsTheBetShownOnTheTable) {
    QWidget* chip5 = host->widgetFor(w->image4(1));
    ASSERT_NE(chip5, nullptr);
    QTest::mouseClick(chip5, Qt::LeftButton);
    QTest::mouseClick(chip5, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(w->Text1.caption(), "10");
    EXPECT_EQ(qobject_cast<QLabel*>(host->widgetFor(w->Text1))->text(), "10");
    EXPECT_EQ(sound.played, (std::vector<std::string>{"chip.wav", "chip.wav"}));
    // The right button takes the chip off again.
    QTest::mouseClick(chip5, Qt::RightButton);
    EXPECT_EQ(w->Text1.caption(), "5");
}

TEST_F(TableOnHost, MenusKeepExactCaptionsAndShowMnemonics) {
    QAction* sound = host->actionFor(w->mnuso);
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(sound->text(), "&Sound Off");
    sound->trigger();
    EXPECT_EQ(w->mnuso.caption(), "Sound On");
    EXPECT_EQ(sound->text(), "&Sound On");
    EXPECT_EQ(w->SoundOff, 1);
    EXPECT_EQ(host->actionFor(w->mnuexit)->text(), "E&xit");
    EXPECT_EQ(host->actionFor(w->mnupot)->text(), "Change Starting &Amount");
    EXPECT_EQ(host->actionFor(w->mnuodds)->text(), "Hide &Odds");
    EXPECT_TRUE(host->actionFor(w->mnudealnorm)->isChecked());
}

namespace {
bool sdlLoaded() {
    void* lib = ::dlopen("libSDL2-2.0.so.0", RTLD_LAZY | RTLD_NOLOAD);
    if (lib) ::dlclose(lib);
    return lib != nullptr;
}
}  // namespace

// The programs link no sound library: SDL and what it brings are loaded at the first
// sound, so they cost nothing at start-up.
TEST(SoundOnHost, TheSoundLibraryIsLoadedAtTheFirstSoundOnly) {
    // In a fresh process, so that no earlier test has loaded it.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_EXIT(
        {
            const bool atStart = sdlLoaded();
            platform::SdlSound sound(std::vector<std::filesystem::path>{"/nonexistent"});
            const bool beforeSound = sdlLoaded();
            const bool device = sound.deviceAvailable();
            std::_Exit(!atStart && !beforeSound && device && sdlLoaded() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}
