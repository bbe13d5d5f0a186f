// The Qt host on the offscreen platform: events from widgets reach the model's handlers,
// and property changes of the model reach the widgets.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <string>
#include <vector>

#include "HostTestSupport.h"
#include "forms/Window.h"
#include "forms/qt/Host.h"
#include "forms/qt/Pictures.h"
#include "platform/QtServices.h"

using forms::Element;
using forms::ElementKind;

namespace {

struct Sample : forms::Window {
    Sample() : Window("Sample") {
        setCaption("Sample window");
        setClientSize(3675, 4755);
        setHelpFile("tablehelp1");
        setHelpContext(405);

        deal.setGeometry(150, 150, 1200, 450);
        deal.setPicture("button-deal");
        deal.setAccessibleName("Deal");
        deal.onClick = [this] { log.push_back("deal"); };

        total.setGeometry(1500, 150, 900, 300);
        total.setCaption("1000");
        total.setFont("Comic Sans MS", 9.75, true);

        bar.setGeometry(795, 1410, 1455, 195);
        bar.setOpaque(true);
        bar.setBackColor(49152);

        for (int i = 1; i <= 3; ++i) {
            keys(i).setGeometry(720 + 270 * (i - 1), 90, 255, 250);
            keys(i).setCaption(std::to_string(i));
            keys(i).onClick = [this, i] { log.push_back("key " + std::to_string(i)); };
        }

        box.setGeometry(300, 2000, 3000, 1500);
        chip.setContainer(&box);
        chip.setGeometry(150, 150, 735, 705);
        chip.setPicture("chip");
        chip.onMouseDown = [this](int b, int, float x, float y) {
            log.push_back("down " + std::to_string(b) + " " + std::to_string(int(x)) + " " +
                          std::to_string(int(y)));
        };
        chip.onMouseUp = [this](int b, int, float, float) {
            log.push_back("up " + std::to_string(b));
        };
        chip.onClick = [this] { log.push_back("click"); };
        chip.onDblClick = [this] { log.push_back("dblclick"); };

        amount.setGeometry(300, 3600, 1500, 300);
        amount.onChange = [this] { log.push_back("text " + amount.caption()); };

        blink.setInterval(10);
        blink.onTimer = [this] { ++ticks; };

        fileMenu.setCaption("&File");
        exitItem.setContainer(&fileMenu);
        exitItem.setCaption("E&xit");
        exitItem.onClick = [this] { log.push_back("exit"); };
        options.setCaption("&Options");
        speed.setContainer(&options);
        speed.setCaption("Dealer Speed");
        fast.setContainer(&speed);
        fast.setCaption("Fast (Sound off)");
        fast.onClick = [this] {
            fast.setChecked(true);
            normal.setChecked(false);
        };
        normal.setContainer(&speed);
        normal.setCaption("Normal");
        normal.setChecked(true);
        normal.onClick = [this] {
            fast.setChecked(false);
            normal.setChecked(true);
        };
        newGame.setCaption("&New Game");
        newGame.onClick = [this] { log.push_back("new game"); };
    }

    void Form_Unload(int&) override { log.push_back("unload"); }

    Element deal{*this, ElementKind::PictureButton, "Command3"};
    Element total{*this, ElementKind::Label, "ltot"};
    Element bar{*this, ElementKind::Label, "lhitper"};
    forms::ControlArray keys{*this, ElementKind::Button, "Command1", 1, 3};
    Element box{*this, ElementKind::PictureBox, "Picture4"};
    Element chip{*this, ElementKind::Image, "Image4"};
    Element amount{*this, ElementKind::TextBox, "txtpot"};
    Element blink{*this, ElementKind::Timer, "Timer1"};
    Element fileMenu{*this, ElementKind::Menu, "mnufile"};
    Element exitItem{*this, ElementKind::Menu, "mnuexit"};
    Element options{*this, ElementKind::Menu, "mnuoption"};
    Element speed{*this, ElementKind::Menu, "mnuds"};
    Element fast{*this, ElementKind::Menu, "mnudealfast"};
    Element normal{*this, ElementKind::Menu, "mnudealnorm"};
    Element newGame{*this, ElementKind::Menu, "mnung"};

    std::vector<std::string> log;
    int ticks = 0;
};

class HostTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { hosttest::ensureApplication(); }

    Sample window;
    hosttest::SolidPictures pictures;
    formsqt::Host host{window, pictures};
};

}  // namespace

TEST_F(HostTest, WidgetsCarryNamesGeometryAndFonts) {
    QWidget* top = host.widget();
    EXPECT_EQ(top->windowTitle(), "Sample window");
    auto* key2 = top->findChild<QPushButton*>("Command1(2)");
    ASSERT_NE(key2, nullptr);
    EXPECT_EQ(key2, host.widgetFor(window.keys(2)));
    EXPECT_EQ(key2->text(), "2");
    // 15 twips per pixel: 990 / 15 = 66, 255 / 15 = 17.
    EXPECT_EQ(key2->geometry(), QRect(66, 6, 17, 17));

    auto* deal = top->findChild<QWidget*>("Command3");
    ASSERT_NE(deal, nullptr);
    EXPECT_EQ(deal->accessibleName(), "Deal");

    auto* total = top->findChild<QLabel*>("ltot");
    ASSERT_NE(total, nullptr);
    EXPECT_EQ(total->font().family(), "Comic Neue");
    EXPECT_DOUBLE_EQ(total->font().pointSizeF(), 9.75);
    EXPECT_TRUE(total->font().bold());

    // A child is placed relative to its container, and later elements lie above earlier ones.
    QWidget* chip = host.widgetFor(window.chip);
    EXPECT_EQ(chip->parentWidget(), host.widgetFor(window.box));
    EXPECT_EQ(chip->geometry().topLeft(), QPoint(10, 10));
    const QObjectList& siblings = host.widgetFor(window.deal)->parentWidget()->children();
    EXPECT_LT(siblings.indexOf(host.widgetFor(window.deal)),
              siblings.indexOf(host.widgetFor(window.total)));
}

TEST_F(HostTest, PropertyChangesReachTheWidgets) {
    host.show();
    auto* total = static_cast<QLabel*>(host.widgetFor(window.total));
    window.total.setCaption("975");
    EXPECT_EQ(total->text(), "975");
    window.total.setVisible(false);
    EXPECT_FALSE(total->isVisible());
    window.total.setVisible(true);
    EXPECT_TRUE(total->isVisible());

    QWidget* bar = host.widgetFor(window.bar);
    EXPECT_TRUE(bar->autoFillBackground());
    EXPECT_EQ(bar->palette().color(QPalette::Window), QColor(0, 192, 0));
    window.bar.setWidth(668.718);  // 795 + 668.7 = 1463.7 twips: right edge at pixel 98
    EXPECT_EQ(bar->geometry(), QRect(53, 94, 45, 13));
    window.bar.setBackColor(255);
    EXPECT_EQ(bar->palette().color(QPalette::Window), QColor(255, 0, 0));

    window.keys(1).setEnabled(false);
    EXPECT_FALSE(host.widgetFor(window.keys(1))->isEnabled());

    window.amount.setCaption("250");
    EXPECT_EQ(static_cast<QLineEdit*>(host.widgetFor(window.amount))->text(), "250");

    window.setCaption("...duplicate instance...");
    EXPECT_EQ(host.widget()->windowTitle(), "...duplicate instance...");
}

// A label set as a message is set again whenever its width or font changes, and shows its
// caption as it stands once it is wrapped again.
TEST_F(HostTest, AMessageLabelIsSetAgainForItsWidthAndFont) {
    host.show();
    auto* label = static_cast<QLabel*>(host.widgetFor(window.total));
    const std::string caption = "   Welcome to the table, please place your bets..  ";
    window.total.setGeometry(0, 0, 9000, 900);
    window.total.setFont("Comic Sans MS", 10);
    window.total.setCaption(caption);
    window.total.setTextLayout(forms::TextLayout::Message);
    EXPECT_EQ(label->text(), "Welcome to the table, please place your bets..");
    EXPECT_TRUE(label->alignment() & Qt::AlignVCenter);

    const auto fitsItsLabel = [label] {
        const QStringList lines = label->text().split(QLatin1Char('\n'));
        const QFontMetricsF metrics(label->font(), label);
        for (const QString& line : lines)
            if (metrics.horizontalAdvance(line) > label->width()) return false;
        return lines.join(QLatin1Char(' ')) == "Welcome to the table, please place your bets..";
    };
    window.total.setWidth(2400);
    const qsizetype narrow = label->text().count(QLatin1Char('\n')) + 1;
    EXPECT_GE(narrow, 2);
    EXPECT_TRUE(fitsItsLabel()) << label->text().toStdString();
    window.total.setFontSize(14);
    EXPECT_GT(label->text().count(QLatin1Char('\n')) + 1, narrow);
    EXPECT_TRUE(fitsItsLabel()) << label->text().toStdString();

    window.total.setTextLayout(forms::TextLayout::Wrapped);
    EXPECT_EQ(label->text().toStdString(), caption);
    EXPECT_TRUE(label->wordWrap());
    EXPECT_TRUE(label->alignment() & Qt::AlignTop);
}

namespace {
// The colour of a text box's text as drawn: the pixel inside its frame that stands out most
// from the box's background.
QColor renderedTextColour(QWidget* box, QColor background) {
    const QImage image = box->grab().toImage();
    const QRect inside = image.rect().adjusted(3, 3, -3, -3);
    QColor found = background;
    int most = -1;
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const int distance = std::abs(c.red() - background.red()) +
                                 std::abs(c.green() - background.green()) +
                                 std::abs(c.blue() - background.blue());
            if (distance > most) {
                most = distance;
                found = c;
            }
        }
    }
    return found;
}
}  // namespace

// A disabled text box shows that it refuses typing; an enabled one keeps its design colours.
TEST_F(HostTest, DisabledTextBoxLooksDisabled) {
    host.show();
    window.amount.setCaption("8888");
    QWidget* box = host.widgetFor(window.amount);
    const QColor white(255, 255, 255);
    EXPECT_EQ(box->palette().color(QPalette::Active, QPalette::Text), QColor(0, 0, 0));
    EXPECT_EQ(box->palette().color(QPalette::Active, QPalette::Base), white);
    const QColor enabled = renderedTextColour(box, white);
    EXPECT_LT(enabled.lightness(), 40);

    window.amount.setEnabled(false);
    const QColor disabled = renderedTextColour(box, white);
    EXPECT_GT(disabled.lightness(), enabled.lightness() + 60);
    EXPECT_NE(disabled, white) << "the disabled text is not drawn";

    // Enabled again: the designed colours again.
    window.amount.setEnabled(true);
    EXPECT_EQ(renderedTextColour(box, white), enabled);
}

TEST_F(HostTest, ClicksReachTheHandlers) {
    host.show();
    QTest::mouseClick(host.widgetFor(window.keys(3)), Qt::LeftButton);
    QTest::mouseClick(host.widgetFor(window.deal), Qt::LeftButton);
    EXPECT_EQ(window.log, (std::vector<std::string>{"key 3", "deal"}));

    // A disabled element receives no click.
    window.log.clear();
    window.deal.setEnabled(false);
    QTest::mouseClick(host.widgetFor(window.deal), Qt::LeftButton);
    EXPECT_TRUE(window.log.empty());
}

TEST_F(HostTest, MouseButtonsAndPositionsArriveInTwips) {
    host.show();
    QWidget* chip = host.widgetFor(window.chip);
    QTest::mouseClick(chip, Qt::LeftButton, {}, QPoint(4, 6));
    QTest::mouseClick(chip, Qt::RightButton, {}, QPoint(10, 20));
    EXPECT_EQ(window.log, (std::vector<std::string>{"down 1 60 90", "up 1", "click",
                                                    "down 2 150 300", "up 2"}));
    // A double-click as the platform delivers it: press, release, press, double-click,
    // release. The second press is the double-click, not one more mouse-down.
    window.log.clear();
    const QPoint at(4, 6);
    hosttest::sendMouse(chip, QEvent::MouseButtonPress, at, 1000);
    hosttest::sendMouse(chip, QEvent::MouseButtonRelease, at, 1050);
    hosttest::sendMouse(chip, QEvent::MouseButtonPress, at, 1150);
    hosttest::sendMouse(chip, QEvent::MouseButtonDblClick, at, 1150);
    hosttest::sendMouse(chip, QEvent::MouseButtonRelease, at, 1200);
    EXPECT_EQ(window.log,
              (std::vector<std::string>{"down 1 60 90", "up 1", "click", "dblclick", "up 1"}));
    // The container does not also receive its child's clicks.
    EXPECT_EQ(std::count(window.log.begin(), window.log.end(), "click"), 1);
}

TEST_F(HostTest, TypingRunsTheChangeHandler) {
    host.show();
    QWidget* edit = host.widgetFor(window.amount);
    QTest::keyClicks(edit, "25");
    EXPECT_EQ(window.amount.caption(), "25");
    EXPECT_EQ(window.log, (std::vector<std::string>{"text 2", "text 25"}));
}

TEST_F(HostTest, TimerTicksWhileEnabledAndFollowsInterval) {
    QTimer* timer = host.timerFor(window.blink);
    ASSERT_NE(timer, nullptr);
    EXPECT_FALSE(timer->isActive());
    window.blink.setEnabled(true);
    EXPECT_TRUE(timer->isActive());
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.ticks > 0; }, 5000));
    window.blink.setInterval(300);
    EXPECT_EQ(timer->interval(), 300);
    window.blink.setEnabled(false);
    EXPECT_FALSE(timer->isActive());
    window.blink.setEnabled(true);
    window.blink.setInterval(0);  // an interval of 0 never ticks
    EXPECT_FALSE(timer->isActive());
}

TEST_F(HostTest, MenusFollowTheModel) {
    auto* top = static_cast<QMainWindow*>(host.widget());
    const QList<QAction*> bar = top->menuBar()->actions();
    ASSERT_EQ(bar.size(), 3);
    EXPECT_EQ(bar[0]->text(), "&File");
    EXPECT_EQ(bar[1]->text(), "&Options");
    // A top-level command without items sits on the bar itself.
    EXPECT_EQ(bar[2], host.actionFor(window.newGame));
    EXPECT_EQ(bar[2]->menu(), nullptr);
    bar[2]->trigger();
    host.actionFor(window.exitItem)->trigger();
    EXPECT_EQ(window.log, (std::vector<std::string>{"new game", "exit"}));

    QAction* fast = host.actionFor(window.fast);
    QAction* normal = host.actionFor(window.normal);
    ASSERT_NE(host.actionFor(window.speed)->menu(), nullptr);
    EXPECT_TRUE(normal->isChecked());
    EXPECT_FALSE(fast->isChecked());
    fast->trigger();
    EXPECT_TRUE(fast->isChecked());
    EXPECT_FALSE(normal->isChecked());
    // Choosing the checked item again keeps its check mark.
    fast->trigger();
    EXPECT_TRUE(fast->isChecked());
    EXPECT_TRUE(window.fast.checked());

    window.exitItem.setCaption("Leave");
    EXPECT_EQ(host.actionFor(window.exitItem)->text(), "Leave");
}

TEST_F(HostTest, F1OpensHelpAtTheWindowsContext) {
    std::vector<std::pair<std::string, int>> shown;
    host.setHelpHandler(
        [&](const std::string& file, int context) { shown.emplace_back(file, context); });
    host.show();
    QTest::keyClick(host.widgetFor(window.keys(1)), Qt::Key_F1);
    QTest::keyClick(host.widget(), Qt::Key_F1);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], (std::pair<std::string, int>{"tablehelp1", 405}));
}

TEST_F(HostTest, SentF1ReachesTheWindowsHelp) {
    int shown = 0;
    host.setHelpHandler([&](const std::string&, int) { ++shown; });
    host.show();
    platform::QtKeySender keys(host.widget());
    keys.sendKeys("{f1}");
    EXPECT_EQ(shown, 0);  // posted: the sender does not wait for it
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown == 1; }, 5000));
}

TEST_F(HostTest, ClosingRunsUnloadOnce) {
    bool closed = false;
    host.setClosedHandler([&] { closed = true; });
    host.show();
    window.blink.setEnabled(true);
    host.widget()->close();
    EXPECT_EQ(window.log, (std::vector<std::string>{"unload"}));
    EXPECT_TRUE(window.unloaded());
    EXPECT_FALSE(host.widget()->isVisible());
    EXPECT_FALSE(host.timerFor(window.blink)->isActive());
    EXPECT_TRUE(QTest::qWaitFor([&] { return closed; }, 5000));
}

TEST_F(HostTest, UnloadFromTheLogicClosesTheWindow) {
    host.show();
    ASSERT_TRUE(host.widget()->isVisible());
    window.unload();
    EXPECT_FALSE(host.widget()->isVisible());
    EXPECT_EQ(window.log, (std::vector<std::string>{"unload"}));
}

// The frame: placement and the outer height read back step by step.
TEST_F(HostTest, FramePlacesAndReadsBackHeight) {
    forms::WindowFrame& frame = window.frame();
    EXPECT_EQ(&frame, &host.frame());
    frame.place(5, 5, 250, 195, true, true);
    QWidget* top = host.widget();
    EXPECT_TRUE(top->isVisible());
    EXPECT_TRUE(top->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(top->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_FALSE(top->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_EQ(top->frameGeometry().size(), QSize(250, 195));
    EXPECT_FLOAT_EQ(frame.outerHeight(), 2925);

    // The calculator's grow loop: steps of 100 twips until the height read is above 5114.
    int steps = 0;
    for (; steps < 10000; ++steps) {
        frame.setOuterHeight(frame.outerHeight() + 100);
        if (frame.outerHeight() > 5114) break;
    }
    EXPECT_LT(steps, 10000);
    frame.setOuterHeight(5115);
    EXPECT_FLOAT_EQ(frame.outerHeight(), 5115);
    EXPECT_EQ(top->frameGeometry().width(), 250);
}

TEST_F(HostTest, FrameHeightStopsAtTheScreen) {
    forms::WindowFrame& frame = window.frame();
    frame.place(5, 5, 250, 195, true, true);
    const int screenHeight = host.widget()->screen()->availableGeometry().height();
    // A loop aiming past the screen ends after its step limit, and the window stays on it.
    int steps = 0;
    for (; steps < 10000; ++steps) {
        frame.setOuterHeight(frame.outerHeight() + 100);
        if (frame.outerHeight() > 1e7f) break;
    }
    EXPECT_EQ(steps, 10000);
    EXPECT_LE(frame.outerHeight(), screenHeight * 15.0f);
}

namespace {
// A panel hidden at start, holding a key that is hidden too, between two top-level keys.
struct HiddenPanel : forms::Window {
    HiddenPanel() : Window("HiddenPanel") {
        setClientSize(6000, 4500);
        first.setGeometry(150, 150, 900, 450);
        first.setCaption("First");
        panel.setGeometry(1500, 1500, 3000, 1500);
        panel.setVisible(false);
        for (Element* e : {&early, &key, &late}) e->setContainer(&panel);
        early.setGeometry(0, 0, 600, 450);
        key.setGeometry(300, 150, 600, 450);
        key.setCaption("Key");
        key.setVisible(false);
        late.setGeometry(600, 300, 600, 450);
        after.setGeometry(150, 3600, 900, 450);
    }
    Element first{*this, ElementKind::Button, "first"};
    Element panel{*this, ElementKind::PictureBox, "panel"};
    Element early{*this, ElementKind::Button, "early"};
    Element key{*this, ElementKind::Button, "key"};
    Element late{*this, ElementKind::Button, "late"};
    Element after{*this, ElementKind::Button, "after"};
};

// The object names of the widgets that Tab moves through, in the order it does.
std::vector<std::string> tabOrder(QWidget* top) {
    std::vector<std::string> names;
    for (QWidget* w = top->nextInFocusChain(); w && w != top; w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus) names.push_back(w->objectName().toStdString());
    return names;
}
}  // namespace

// An element hidden at start inside a hidden container, shown later, has its widget just as
// if it had been on screen from the start: in its container, placed and captioned, above
// the earlier element of its container and below the later one, and between them on Tab.
TEST(HostHiddenElements, AShownElementTakesItsPlaceAmongTheOthers) {
    hosttest::ensureApplication();
    hosttest::SolidPictures pictures;
    enum class Order { KeyThenPanel, PanelThenKey, AskedForWhileHidden };
    for (Order order : {Order::KeyThenPanel, Order::PanelThenKey, Order::AskedForWhileHidden}) {
        SCOPED_TRACE(static_cast<int>(order));
        HiddenPanel window;
        formsqt::Host host(window, pictures);
        QWidget* top = host.widget();
        host.show();
        switch (order) {
            case Order::KeyThenPanel:
                window.key.setVisible(true);
                EXPECT_EQ(top->findChild<QWidget*>("key"), nullptr);  // its panel is hidden
                window.panel.setVisible(true);
                break;
            case Order::PanelThenKey:
                window.panel.setVisible(true);
                EXPECT_EQ(top->findChild<QWidget*>("key"), nullptr);
                window.key.setVisible(true);
                break;
            case Order::AskedForWhileHidden: {
                QWidget* key = host.widgetFor(window.key);
                ASSERT_NE(key, nullptr);
                EXPECT_EQ(key->parentWidget(), host.widgetFor(window.panel));
                EXPECT_FALSE(key->isVisibleTo(top));
                window.panel.setVisible(true);
                window.key.setVisible(true);
                EXPECT_EQ(host.widgetFor(window.key), key);
                break;
            }
        }
        auto* key = qobject_cast<QPushButton*>(top->findChild<QWidget*>("key"));
        ASSERT_NE(key, nullptr);
        QWidget* panel = host.widgetFor(window.panel);
        EXPECT_EQ(key, host.widgetFor(window.key));
        EXPECT_EQ(key->parentWidget(), panel);
        EXPECT_EQ(key->geometry(), QRect(20, 10, 40, 30));
        EXPECT_EQ(key->text(), "Key");
        EXPECT_TRUE(key->isVisible());
        EXPECT_EQ(panel->geometry(), QRect(100, 100, 200, 100));

        const QObjectList& inPanel = panel->children();
        EXPECT_LT(inPanel.indexOf(host.widgetFor(window.early)), inPanel.indexOf(key));
        EXPECT_LT(inPanel.indexOf(key), inPanel.indexOf(host.widgetFor(window.late)));
        const QObjectList& onClient = panel->parentWidget()->children();
        EXPECT_LT(onClient.indexOf(host.widgetFor(window.first)), onClient.indexOf(panel));
        EXPECT_LT(onClient.indexOf(panel), onClient.indexOf(host.widgetFor(window.after)));

        EXPECT_EQ(tabOrder(top),
                  (std::vector<std::string>{"first", "early", "key", "late", "after"}));
    }
}

namespace {
struct AboutBox : forms::Window {
    AboutBox() : Window("Brenn") {
        setClientSize(6900, 5100);
        ok.setGeometry(5520, 4710, 1245, 345);
        ok.setCaption("&Ok");
    }
    void Form_Deactivate() override { ++deactivations; }
    Element ok{*this, ElementKind::Button, "Command1"};
    int deactivations = 0;
};
}  // namespace

TEST(HostIcon, TheWindowGetsItsIconOnceItHasBeenShown) {
    hosttest::ensureApplication();
    struct Iconic : forms::Window {
        Iconic() : Window("Iconic") {
            setCaption("Iconic");
            setClientSize(1500, 1500);
            setIcon("icon");
        }
    } window;
    hosttest::SolidPictures pictures;
    formsqt::Host host(window, pictures);
    QWidget* top = host.widget();
    EXPECT_TRUE(top->windowIcon().isNull());  // a window never shown draws no icon

    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(top));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !top->windowIcon().isNull(); }, 5000));
    const QList<QSize> sizes = top->windowIcon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));
    EXPECT_TRUE(sizes.contains(QSize(256, 256)));
}

// The pictures are told once the window's first frame has been painted, not before and not
// again for later frames: what they defer until then (writing kept files) waits no longer.
TEST_F(HostTest, PicturesAreToldOnceTheFirstFrameIsPainted) {
    QWidget* top = host.widget();
    EXPECT_EQ(pictures.framesPainted, 0);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(top));
    ASSERT_TRUE(QTest::qWaitFor([&] { return pictures.framesPainted > 0; }, 5000));
    top->repaint();
    QCoreApplication::processEvents();
    EXPECT_EQ(pictures.framesPainted, 1);
}

namespace {
// Solid pictures that record what the host asked for ahead and what it painted.
class RecordingPictures : public hosttest::SolidPictures {
public:
    struct Request {
        QString name;
        QSizeF size;
        qreal dpr;
        formsqt::PictureLook look;
        bool operator==(const Request&) const = default;
    };
    void prepare(const QString& name, QSizeF size, qreal dpr,
                 formsqt::PictureLook look) const override {
        prepared.push_back({name, size, dpr, look});
    }
    QPixmap picture(const QString& name, QSizeF size, qreal dpr,
                    formsqt::PictureLook look) const override {
        painted.push_back({name, size, dpr, look});
        return SolidPictures::picture(name, size, dpr, look);
    }
    static bool has(const std::vector<Request>& list, const QString& name) {
        return std::any_of(list.begin(), list.end(),
                           [&name](const Request& r) { return r.name == name; });
    }
    mutable std::vector<Request> prepared, painted;
};
}  // namespace

// While the window is made, the host asks ahead for each picture its first frame paints, as
// the paint then asks for it (size, ratio, look), the background first; a hidden element's
// picture is not asked for, and one the logic changes before the window is shown is asked
// for as it then stands.
TEST(HostPictures, WhatTheFirstFramePaintsIsAskedForAhead) {
    hosttest::ensureApplication();
    struct Table : forms::Window {
        Table() : Window("Table") {
            setCaption("Table");
            setClientSize(4500, 3000);
            setPicture("table-felt");
            deal.setGeometry(150, 150, 1095, 570);
            deal.setPicture("button-deal");
            hit.setGeometry(150, 900, 1095, 570);
            hit.setPicture("button-hit");
            hit.setEnabled(false);
            bubble.setGeometry(1500, 150, 2400, 1500);
            bubble.setPicture("speech-bubble");
            card.setGeometry(1500, 1500, 1065, 1440);
            card.setPicture("card-5");
            card.setVisible(false);
        }
        forms::Element deal{*this, forms::ElementKind::PictureButton, "deal"};
        forms::Element hit{*this, forms::ElementKind::PictureButton, "hit"};
        forms::Element bubble{*this, forms::ElementKind::PictureBox, "bubble"};
        forms::Element card{*this, forms::ElementKind::Image, "card"};
    } window;
    RecordingPictures pictures;
    formsqt::Host host(window, pictures);
    ASSERT_FALSE(pictures.prepared.empty());
    EXPECT_EQ(pictures.prepared.front().name, "table-felt");
    EXPECT_TRUE(pictures.painted.empty());
    window.bubble.setPicture("amount-panel");

    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(host.widget()));
    const auto paintedAll = [&] {
        for (const char* name : {"table-felt", "button-deal", "button-hit", "amount-panel"})
            if (!RecordingPictures::has(pictures.painted, name)) return false;
        return true;
    };
    ASSERT_TRUE(QTest::qWaitFor(paintedAll, 5000));
    for (const RecordingPictures::Request& r : pictures.painted)
        EXPECT_NE(std::find(pictures.prepared.begin(), pictures.prepared.end(), r),
                  pictures.prepared.end())
            << r.name.toStdString() << " was painted without being asked for ahead";
    EXPECT_FALSE(RecordingPictures::has(pictures.prepared, "card-5"));

    // Shown later, the card's picture is painted as any other.
    window.card.setVisible(true);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return RecordingPictures::has(pictures.painted, "card-5"); }, 5000));
}

TEST(HostActivation, AnotherWindowOfTheProgramDeactivatesTheActiveOne) {
    hosttest::ensureApplication();
    hosttest::SolidPictures pictures;
    Sample table;
    AboutBox about;
    formsqt::Host tableHost(table, pictures);
    formsqt::Host aboutHost(about, pictures);
    tableHost.show();
    aboutHost.show();
    aboutHost.widget()->activateWindow();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return QApplication::activeWindow() == aboutHost.widget(); }, 5000));
    EXPECT_EQ(about.deactivations, 0);

    tableHost.widget()->activateWindow();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return QApplication::activeWindow() == tableHost.widget(); }, 5000));
    EXPECT_EQ(about.deactivations, 1);
}
