// The two programs' real windows on the Qt host: a click on a widget reaches the window's
// handler, and what the handler changes reaches the widgets.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QFontMetricsF>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <cstdlib>

#include "../table/TableFixture.h"
#include "HostTestSupport.h"
#include "calculator/CalculatorWindow.h"
#include "forms/qt/Host.h"
#include "platform/SdlSound.h"
#include "support/Fakes.h"
#include "table/TableWindow.h"

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

// "Search Help" shows the key that opens the help, F1, and the key keeps doing one thing:
// one press opens the help once, from the table or from the open menu, and the item opens it
// once too.
TEST_F(TableOnHost, SearchHelpShowsF1AndEachWayOpensTheHelpOnce) {
    int opened = 0;
    host->setHelpHandler([&](const std::string& file, int) {
        EXPECT_EQ(file, "tablehelp1");
        ++opened;
    });
    // The F1 that the item sends goes to the window, as the real key sender posts it.
    keys.onKeys = [this](const std::string&) { QTest::keyClick(host->widget(), Qt::Key_F1); };
    host->show();
    host->widget()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(host->widget()));

    QAction* item = host->actionFor(w->mnuSearchHelp);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), "&Search Help\tF1");
    EXPECT_EQ(w->mnuSearchHelp.caption(), "Search Help");
    // Only this item takes a key beside its mnemonic.
    for (forms::Element* e : w->elements()) {
        if (e != &w->mnuSearchHelp && host->actionFor(*e)) {
            EXPECT_FALSE(host->actionFor(*e)->text().contains('\t')) << e->name();
        }
    }

    QTest::keyClick(host->widget(), Qt::Key_F1);
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(keys.sent.empty());

    QMenu* menu = host->actionFor(w->mnuhelp)->menu();
    ASSERT_NE(menu, nullptr);
    menu->popup(host->widget()->mapToGlobal(QPoint(10, 10)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    QTest::keyClick(menu, Qt::Key_F1);
    EXPECT_EQ(opened, 2);
    menu->hide();

    item->trigger();
    EXPECT_EQ(opened, 3);
    EXPECT_EQ(keys.sent, std::vector<std::string>{"{f1}"});
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

namespace {

// Every message the table writes into its bubble, in the font size it writes it in, with the
// lines it is set in: each sentence on a line of its own, an amount never alone.
struct BubbleMessage {
    std::string caption;
    double fontSize;
    QStringList lines;
};

std::vector<BubbleMessage> bubbleMessages() {
    std::vector<BubbleMessage> messages = {
        {"Welcome to the table, please place your bets..",
         12,
         {"Welcome to the table,", "please place your bets.."}},
        {"Please place your bets..", 12, {"Please place your bets.."}},
        {"You don't have enough chips remaining. Reduce your bet..",
         10,
         {"You don't have enough", "chips remaining.", "Reduce your bet.."}},
        {"You don't have enough chips remaining. Click 'New Game' to restart..",
         10,
         {"You don't have enough", "chips remaining.", "Click 'New Game' to restart.."}},
        {"You don't have enough chips remaining to DOUBLE. Select another option..",
         10,
         {"You don't have enough", "chips remaining to DOUBLE.", "Select another option.."}},
        {"You don't have enough chips remaining to SPLIT. Select another option..",
         10,
         {"You don't have enough", "chips remaining to SPLIT.", "Select another option.."}},
        {"PLAYER BUSTS Dealer Wins", 12, {"PLAYER BUSTS", "Dealer Wins"}},
        {"Dealer Wins..", 12, {"Dealer Wins.."}},
        {"              PUSH..", 12, {"PUSH.."}},
        {"           INSURANCE..", 12, {"INSURANCE.."}},
    };
    // Stakes of 1, 3 and 5 digits, half a chip from a blackjack, and the largest split net.
    for (const std::string amount : {"5", "150", "12345", "7.5", "131068"}) {
        const QString a = QString::fromStdString("$" + amount);
        messages.push_back(
            {"    Blackjack!!  You win!! $" + amount, 12, {"Blackjack!!", "You win!! " + a}});
        messages.push_back({"                    You Win!! $" + amount, 12, {"You Win!! " + a}});
        messages.push_back(
            {"Dealer busts!!    You win!! $" + amount, 12, {"Dealer busts!!", "You win!! " + a}});
        messages.push_back(
            {"Dealer Wins..  You Lose $" + amount, 12, {"Dealer Wins..", "You Lose " + a}});
        messages.push_back(
            {"Dealer Busts.. You Win $" + amount, 12, {"Dealer Busts..", "You Win " + a}});
        messages.push_back(
            {"Dealer Busts.. You Lose $" + amount, 12, {"Dealer Busts..", "You Lose " + a}});
    }
    return messages;
}

// The box round everything drawn in `image` that differs from its colour at `background`.
QRect inkBounds(const QImage& image, QPoint background) {
    const QRgb paper = image.pixel(background);
    QRect ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            if (std::abs(qRed(c) - qRed(paper)) + std::abs(qGreen(c) - qGreen(paper)) +
                    std::abs(qBlue(c) - qBlue(paper)) >
                60)
                ink |= QRect(x, y, 1, 1);
        }
    return ink;
}

}  // namespace

TEST_F(TableOnHost, EveryMessageIsSetInTheMiddleOfTheBubbleAndFitsIt) {
    host->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(host->widget()));
    QWidget* bubble = host->widgetFor(w->dbox);
    auto* label = qobject_cast<QLabel*>(host->widgetFor(w->lresult));
    ASSERT_NE(label, nullptr);
    ASSERT_TRUE(bubble->geometry().contains(label->geometry().translated(bubble->pos())));
    const QRect area = label->geometry();  // in the bubble
    for (const BubbleMessage& m : bubbleMessages()) {
        SCOPED_TRACE(m.caption);
        // As the table writes it: the caption, then the font size (the change of size sets
        // the message again).
        w->lresult.setFontSize(m.fontSize == 12 ? 10 : 12);
        w->lresult.setCaption(m.caption);
        w->lresult.setFontSize(m.fontSize);
        w->dbox.setVisible(true);
        EXPECT_EQ(w->lresult.caption(), m.caption);  // the model keeps the caption as written

        const QStringList lines = label->text().split(QLatin1Char('\n'));
        EXPECT_EQ(lines, m.lines);
        const QFontMetricsF metrics(label->font(), label);
        for (const QString& line : lines)
            EXPECT_LE(metrics.horizontalAdvance(line), area.width()) << qPrintable(line);
        EXPECT_LE(lines.size() * metrics.lineSpacing(), area.height());

        // Drawn within the label's area, as far from its left edge as from its right and
        // from its top as from its bottom.
        const QImage drawn = bubble->grab().toImage();
        const QRect ink = inkBounds(drawn.copy(area), QPoint(0, 0));
        ASSERT_FALSE(ink.isEmpty());
        EXPECT_GT(ink.left(), 0);
        EXPECT_GT(ink.top(), 0);
        EXPECT_LT(ink.right(), area.width() - 1);
        EXPECT_LT(ink.bottom(), area.height() - 1);
        EXPECT_LE(std::abs(ink.left() - (area.width() - 1 - ink.right())), 2);
        EXPECT_LE(std::abs(ink.top() - (area.height() - 1 - ink.bottom())), 4);
    }
}
