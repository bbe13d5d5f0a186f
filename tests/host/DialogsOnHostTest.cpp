// Keys and boxes as on any desktop, on the offscreen platform: Enter and Escape press a
// window's default and cancel buttons, the keyboard focus is shown and never lost to a
// disabled button, a text box given the focus is ready to be typed over, and the about box
// and the help open centred over the window they belong to.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTextBrowser>
#include <QWindow>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "../table/TableFixture.h"
#include "HostTestSupport.h"
#include "forms/Window.h"
#include "forms/qt/Host.h"
#include "forms/qt/Placement.h"
#include "platform/HelpWindow.h"
#include "table/TableWindow.h"

using forms::Element;
using forms::ElementKind;

namespace {

// A window with a panel that holds a text box, OK and Close, and a row of three buttons.
struct Form : forms::Window {
    Form() : Window("Form") {
        setCaption("Form");
        setClientSize(6000, 4500);
        panel.setGeometry(300, 300, 4000, 1800);
        for (Element* e : {&amount, &ok, &close}) e->setContainer(&panel);
        amount.setGeometry(150, 150, 2000, 375);
        ok.setGeometry(2400, 150, 1125, 405);
        ok.setPicture("button-ok");
        ok.onClick = [this] { log.push_back("ok"); };
        close.setGeometry(2400, 700, 1125, 405);
        close.setPicture("button-close");
        close.onClick = [this] { log.push_back("close"); };
        setDefaultButton(&ok);
        setCancelButton(&close);
        for (int i = 0; i < 3; ++i) {
            row(i).setGeometry(300 + 1500 * i, 3000, 1200, 450);
            row(i).setPicture("button");
        }
    }
    Element panel{*this, ElementKind::PictureBox, "panel"};
    Element amount{*this, ElementKind::TextBox, "amount"};
    Element ok{*this, ElementKind::PictureButton, "ok"};
    Element close{*this, ElementKind::PictureButton, "close"};
    forms::ControlArray row{*this, ElementKind::PictureButton, "row", 0, 2};
    std::vector<std::string> log;
};

class DialogKeys : public ::testing::Test {
protected:
    static void SetUpTestSuite() { hosttest::ensureApplication(); }
    void SetUp() override {
        host.show();
        host.widget()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(host.widget()));
    }
    QWidget* widget(const Element& e) const { return host.widgetFor(e); }

    Form form;
    hosttest::SolidPictures pictures;
    formsqt::Host host{form, pictures};
};

}  // namespace

TEST_F(DialogKeys, EnterAndEscapePressTheButtonsWhileTheyCanBePressed) {
    struct Case {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool panelShown;
        bool okEnabled;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        {"Return", Qt::Key_Return, Qt::NoModifier, true, true, {"ok"}},
        {"keypad Enter", Qt::Key_Enter, Qt::KeypadModifier, true, true, {"ok"}},
        {"Escape", Qt::Key_Escape, Qt::NoModifier, true, true, {"close"}},
        {"Return, OK disabled", Qt::Key_Return, Qt::NoModifier, true, false, {}},
        {"Return, panel hidden", Qt::Key_Return, Qt::NoModifier, false, true, {}},
        {"Escape, panel hidden", Qt::Key_Escape, Qt::NoModifier, false, true, {}},
        {"Ctrl+Return", Qt::Key_Return, Qt::ControlModifier, true, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        form.panel.setVisible(c.panelShown);
        form.ok.setEnabled(c.okEnabled);
        // From the focused text box, from a focused button and from the window itself.
        for (QWidget* target : {widget(form.amount), widget(form.row(1)), host.widget()}) {
            form.log.clear();
            if (target != host.widget() && target->isVisible()) target->setFocus();
            QTest::keyClick(target, c.key, c.modifiers);
            EXPECT_EQ(form.log, c.log) << target->objectName().toStdString();
        }
    }
}

TEST_F(DialogKeys, ATextBoxGivenTheFocusIsReadyToBeTypedOver) {
    form.amount.setCaption("1000");
    form.amount.setFocus();
    auto* edit = qobject_cast<QLineEdit*>(widget(form.amount));
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->hasFocus());
    EXPECT_EQ(edit->selectedText(), "1000");
    QTest::keyClicks(edit, "250");
    EXPECT_EQ(form.amount.caption(), "250");
}

TEST_F(DialogKeys, AFocusedButtonThatIsDisabledPassesTheFocusOn) {
    struct Case {
        const char* name;
        std::function<void()> handler;  // what a press on row(0) does
        int focused;                    // the row button that has the focus afterwards
    };
    const Case cases[] = {
        // The next button is enabled by the same handler, after the focused one is disabled.
        {"next enabled later in the handler",
         [this] {
             form.row(0).setEnabled(false);
             form.row(1).setEnabled(true);
         },
         1},
        {"next one disabled: the one after it",
         [this] {
             form.row(0).setEnabled(false);
             form.row(1).setEnabled(false);
         },
         2},
        {"enabled again",
         [this] {
             form.row(0).setEnabled(false);
             form.row(0).setEnabled(true);
         },
         0},
        {"the logic places the focus",
         [this] {
             form.row(0).setEnabled(false);
             form.row(2).setFocus();
         },
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int i = 0; i < 3; ++i) form.row(i).setEnabled(i != 1);
        form.row(0).onClick = c.handler;
        widget(form.row(0))->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(widget(form.row(0))->hasFocus());
        QTest::keyClick(widget(form.row(0)), Qt::Key_Space);
        QWidget* expected = widget(form.row(c.focused));
        EXPECT_TRUE(QTest::qWaitFor([&] { return expected->hasFocus(); }, 5000))
            << "focus on "
            << (QApplication::focusWidget()
                    ? QApplication::focusWidget()->objectName().toStdString()
                    : std::string("nothing"));
    }
}

TEST_F(DialogKeys, AFocusedPictureButtonCarriesAClearMark) {
    QWidget* button = widget(form.row(0));
    const int middle = button->width() / 2;
    const QImage plain = button->grab().toImage();
    button->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(button->hasFocus());
    const QImage focused = button->grab().toImage();
    const qreal dpr = focused.devicePixelRatio();
    auto at = [dpr](const QImage& image, int x, int y) {
        return image.pixelColor(static_cast<int>(x * dpr), static_cast<int>(y * dpr));
    };
    // Unfocused, the picture alone; focused, a dark ring along the edge and a white one
    // inside it, on every side.
    EXPECT_EQ(at(plain, middle, 1), QColor(Qt::green));
    for (QPoint edge :
         {QPoint(middle, 1), QPoint(1, button->height() / 2), QPoint(middle, button->height() - 2),
          QPoint(button->width() - 2, button->height() / 2)}) {
        EXPECT_LT(at(focused, edge.x(), edge.y()).lightness(), 60) << edge.x() << "," << edge.y();
    }
    EXPECT_GT(at(focused, middle, 3).lightness(), 220);
    EXPECT_EQ(at(focused, middle, button->height() / 2), QColor(Qt::green));
}

namespace {

// The table on the host, with its about box hosted as the program does.
class TableDialogs : public TableFixture {
protected:
    static void SetUpTestSuite() { hosttest::ensureApplication(); }
    void SetUp() override {
        TableFixture::SetUp();
        w = std::make_unique<table::TableWindow>(withAboutBox());
        w->Form_Load();
        host = std::make_unique<formsqt::Host>(*w, pictures);
        host->widget()->move(40, 30);
        host->show();
        host->widget()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(host->widget()));
    }
    void TearDown() override { aboutHost.reset(); }

    table::TableServices withAboutBox() {
        table::TableServices s = services();
        s.showWindow = [this](forms::Window& box) {
            if (!aboutHost || &aboutHost->window() != &box)
                aboutHost = std::make_unique<formsqt::Host>(box, pictures);
            aboutHost->show();
            aboutHost->frame().activate();
        };
        return s;
    }
    QWidget* widget(const Element& e) const { return host->widgetFor(e); }

    hosttest::SolidPictures pictures;
    std::unique_ptr<formsqt::Host> aboutHost;
    std::unique_ptr<formsqt::Host> host;
};

}  // namespace

TEST_F(TableDialogs, TheAboutBoxOpensCentredOverTheTableAsItsBoxAndTakesEnterAndEscape) {
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        SCOPED_TRACE(key);
        w->mnuabout_Click();
        ASSERT_NE(w->aboutBox(), nullptr);
        QWidget* box = aboutHost->widget();
        ASSERT_TRUE(box->isVisible());
        // It belongs to the table: a dialog, transient for the table's window.
        EXPECT_EQ(box->windowType(), Qt::Dialog);
        ASSERT_NE(box->windowHandle(), nullptr);
        EXPECT_EQ(box->windowHandle()->transientParent(), host->widget()->windowHandle());
        const QPoint offset =
            box->frameGeometry().center() - host->widget()->frameGeometry().center();
        EXPECT_LE(offset.manhattanLength(), 2) << offset.x() << "," << offset.y();

        QTest::keyClick(box, key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        EXPECT_EQ(w->aboutBox(), nullptr);
        EXPECT_FALSE(box->isVisible());
    }
}

TEST_F(TableDialogs, TheStartingAmountPanelTakesTheKeyboard) {
    auto* amount = qobject_cast<QLineEdit*>(widget(w->Text2));
    ASSERT_NE(amount, nullptr);

    // Opened in its entry state, the amount is selected in the focused box: typing replaces
    // it, Enter accepts it and Enter again closes the panel.
    w->Label6.click();
    EXPECT_TRUE(amount->hasFocus());
    EXPECT_EQ(amount->selectedText(), "1000");
    QTest::keyClicks(amount, "500");
    EXPECT_EQ(w->Text2.caption(), "500");
    QTest::keyClick(amount, Qt::Key_Return);
    EXPECT_EQ(w->StartingAmount, 500);
    EXPECT_TRUE(w->Picture4.visible());
    EXPECT_FALSE(w->Text2.enabled());
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : host->widget(),
                    Qt::Key_Return);
    EXPECT_FALSE(w->Picture4.visible());
    EXPECT_TRUE(w->dbox.visible());

    // Escape closes it as its close button does: the welcome message comes back.
    w->mnupot.click();
    EXPECT_FALSE(w->dbox.visible());
    EXPECT_TRUE(amount->hasFocus());
    QTest::keyClick(amount, Qt::Key_Escape);
    EXPECT_FALSE(w->Picture4.visible());
    EXPECT_TRUE(w->dbox.visible());
    EXPECT_EQ(w->Label18.caption(), "Enter new starting amount");
    EXPECT_EQ(w->StartingAmount, 500);

    // Closed, the panel takes neither key.
    QTest::keyClick(host->widget(), Qt::Key_Return);
    QTest::keyClick(host->widget(), Qt::Key_Escape);
    EXPECT_FALSE(w->Picture4.visible());
    EXPECT_EQ(w->StartingAmount, 500);
}

// While the panel is open, Tab and Shift+Tab go round its own controls, in its entry state
// and once the amount box is disabled, and never reach DEAL or anything else behind it.
TEST_F(TableDialogs, TabStaysWithinTheOpenStartingAmountPanel) {
    QWidget* panel = widget(w->Picture4);
    const std::set<QWidget*> entry = {widget(w->Text2), widget(w->cpotok), widget(w->Command18)};
    const std::set<QWidget*> accepted = {widget(w->cpotok), widget(w->Command18)};
    // The controls that Tab (or Shift+Tab) reaches in `presses` presses, all inside the panel.
    auto reached = [&](bool forward, int presses) {
        std::set<QWidget*> seen;
        for (int i = 0; i < presses; ++i) {
            QWidget* focus = QApplication::focusWidget();
            if (!focus) break;
            QTest::keyClick(focus, forward ? Qt::Key_Tab : Qt::Key_Backtab);
            QWidget* now = QApplication::focusWidget();
            EXPECT_TRUE(now && panel->isAncestorOf(now))
                << (now ? now->objectName().toStdString() : "no focus") << " after press " << i;
            seen.insert(now);
        }
        return seen;
    };

    w->Label6.click();
    ASSERT_TRUE(widget(w->Text2)->hasFocus());
    EXPECT_EQ(reached(true, 7), entry);
    EXPECT_EQ(reached(false, 7), entry);

    // An amount accepted disables the box: the focus passes on to OK or Close, not beyond.
    widget(w->Text2)->setFocus(Qt::OtherFocusReason);
    QTest::keyClicks(widget(w->Text2), "500");
    w->cpotok.click();
    ASSERT_FALSE(w->Text2.enabled());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            QWidget* focus = QApplication::focusWidget();
            return focus && accepted.count(focus) == 1;
        },
        5000));
    EXPECT_EQ(reached(true, 5), accepted);
    EXPECT_EQ(reached(false, 5), accepted);
}

TEST_F(TableDialogs, DealFromTheKeyboardLeavesTheFocusOnHit) {
    random.scriptCards({6, 10, 7});
    w->Text1.setCaption("10");
    QWidget* deal = widget(w->Command3);
    deal->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(deal->hasFocus());
    QTest::keyClick(deal, Qt::Key_Space);
    EXPECT_FALSE(w->Command3.enabled());
    QWidget* hit = widget(w->Command1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return hit->hasFocus(); }, 5000));
}

TEST(HelpOnHost, TheHelpOpensCentredOverItsOwnerAndEscapeClosesIt) {
    hosttest::ensureApplication();
    QWidget owner;
    owner.setGeometry(200, 150, 400, 300);
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    platform::HelpWindowViewer help(std::vector<std::filesystem::path>{BLACKJACK_HELP_FOLDER});
    help.setPlacement([&owner](QWidget* window) { formsqt::placeOverOwner(window, &owner); });
    // Opened, closed, and opened again over the owner where it has moved to.
    for (QPoint at : {QPoint(200, 150), QPoint(170, 160)}) {
        owner.move(at);
        help.showHelp("tablehelp1", 405);
        QWidget* window = help.window();
        ASSERT_TRUE(window->isVisible());
        EXPECT_EQ(window->windowHandle()->transientParent(), owner.windowHandle());
        const QPoint offset = window->frameGeometry().center() - owner.frameGeometry().center();
        EXPECT_LE(offset.manhattanLength(), 2) << offset.x() << "," << offset.y();
        // Escape in the text closes the window.
        QTest::keyClick(help.browser(), Qt::Key_Escape);
        EXPECT_FALSE(window->isVisible());
    }
}

// The help is larger than a small owner: over an owner in a corner of the screen, or partly
// off it, the help lies over the owner and wholly within the screen's available area, as
// the dialog that belongs to it; centred over it where there is room.
TEST(HelpOnHost, TheHelpLiesOverASmallOwnerAndWhollyOnTheScreen) {
    hosttest::ensureApplication();
    QWidget owner;
    owner.resize(250, 195);
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    const QRect room = owner.screen()->availableGeometry();
    platform::HelpWindowViewer help(std::vector<std::filesystem::path>{BLACKJACK_HELP_FOLDER});
    help.setPlacement([&owner](QWidget* window) { formsqt::placeOverOwner(window, &owner); });
    struct Case {
        const char* name;
        QPoint at;
        bool centred;
    };
    for (const Case& c :
         {Case{"top left", room.topLeft() + QPoint(5, 5), false},
          Case{"bottom right, partly off", room.bottomRight() - QPoint(100, 80), false},
          Case{"middle", room.center() - QPoint(125, 97), true}}) {
        SCOPED_TRACE(c.name);
        owner.move(c.at);
        help.showHelp("tablehelp1", 405);
        QWidget* window = help.window();
        ASSERT_TRUE(window->isVisible());
        EXPECT_EQ(window->windowType(), Qt::Dialog);
        EXPECT_EQ(window->windowHandle()->transientParent(), owner.windowHandle());
        const QRect placed = window->frameGeometry();
        EXPECT_TRUE(room.contains(placed)) << placed.x() << "," << placed.y();
        EXPECT_TRUE(placed.intersects(owner.frameGeometry()));
        if (c.centred) {
            const QPoint offset = placed.center() - owner.frameGeometry().center();
            EXPECT_LE(offset.manhattanLength(), 2) << offset.x() << "," << offset.y();
        }
        window->close();
    }
}
