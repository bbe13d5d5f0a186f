// The two real programs together on a private X display: "Online Calculator" starts the
// calculator beside the table, "Play Game" starts the table and ends the calculator, and a
// program started while its copy runs brings that copy to the front and ends. Also the
// pictures of both windows in play; with BLACKJACK_SCREENSHOT_DIR set they are saved there.

#include <gtest/gtest.h>
#include <signal.h>

#include <QColor>
#include <QImage>
#include <QString>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <thread>

#include "E2ETest.h"

// Xlib last: its macros (Bool, Status, None) clash with the names above.
#include <X11/Xlib.h>

namespace {

using e2e::eventually;
using e2e::readFile;

namespace fs = std::filesystem;

const std::string TableTitle = "Brenn Blackjack Game 3.2";
const std::string CalculatorTitle = "Brenn Blackjack Calculator 3.2";
constexpr double Timeout = 60;  // generous: sanitizer builds start slowly
constexpr int TwipsPerPixel = 15;

// A connection of the test's own to the session's display.
class DisplayLink {
public:
    explicit DisplayLink(const e2e::Session& session) {
        ::setenv("XAUTHORITY", session.authFile().c_str(), 1);
        dpy_ = XOpenDisplay(session.display().c_str());
    }
    ~DisplayLink() {
        if (dpy_) XCloseDisplay(dpy_);
    }
    DisplayLink(const DisplayLink&) = delete;
    DisplayLink& operator=(const DisplayLink&) = delete;
    ::Display* get() const { return dpy_; }

    // The top-level windows, lowest first; without a window manager the programs' windows
    // are children of the root window.
    std::vector<unsigned long> stacking() const {
        std::vector<unsigned long> order;
        if (!dpy_) return order;
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(dpy_, DefaultRootWindow(dpy_), &root, &parent, &children, &count)) {
            order.assign(children, children + count);
            if (children) XFree(children);
        }
        return order;
    }

    // Whether `upper` lies above `lower`.
    bool above(unsigned long upper, unsigned long lower) const {
        const auto order = stacking();
        const auto u = std::find(order.begin(), order.end(), upper);
        const auto l = std::find(order.begin(), order.end(), lower);
        return u != order.end() && l != order.end() && u > l;
    }

private:
    ::Display* dpy_ = nullptr;
};

// A plain window of another program, mapped over the top-left part of the screen.
class CoverWindow {
public:
    explicit CoverWindow(const e2e::Session& session) : display_(session) {
        ::Display* d = display_.get();
        if (!d) return;
        window_ =
            XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 900, 700, 0,
                                BlackPixel(d, DefaultScreen(d)), WhitePixel(d, DefaultScreen(d)));
        XMapRaised(d, window_);
        XSync(d, False);
    }
    ~CoverWindow() {
        if (display_.get() && window_) XDestroyWindow(display_.get(), window_);
    }
    CoverWindow(const CoverWindow&) = delete;
    CoverWindow& operator=(const CoverWindow&) = delete;
    unsigned long id() const { return window_; }

private:
    DisplayLink display_;
    Window window_ = 0;
};

// Whether two pictures show the same pixels.
bool samePicture(const QImage& a, const QImage& b) {
    return !a.isNull() && a.size() == b.size() && a == b;
}

class Product : public e2e::SessionTest {
protected:
    void TearDown() override {
        if (!hasSession()) return;
        // The programs started by the programs are not the test's children: end them here.
        for (const char* name : {"cardtable", "oddsdesk"})
            for (const std::string& exe : {e2e::programPath(name), copyOf(name)})
                for (pid_t pid : x().processes(exe)) ::kill(pid, SIGKILL);
    }

    // Starts `program` and waits for its window titled `title`.
    unsigned long open(e2e::Process& process, const std::string& program,
                       const std::string& title) {
        return openWindow(process, program, title);
    }

    // A folder of its own holding a copy of the program `name` and, beside it, a script
    // named `partner` that starts the real `partner` of the build and notes its exit code
    // in exits(partner): so the test sees how a copy started by `name` ended.
    std::string copyWithPartner(const std::string& name, const std::string& partner) {
        const fs::path folder = fs::path(x().folder()) / "apps";
        fs::create_directories(folder);
        fs::copy_file(e2e::programPath(name), folder / name, fs::copy_options::overwrite_existing);
        const fs::path script = folder / partner;
        {
            std::ofstream out(script);
            out << "#!/bin/sh\n\"" << e2e::programPath(partner) << "\" \"$@\"\necho $? >> \""
                << exits(partner) << "\"\n";
        }
        fs::permissions(script, fs::perms::owner_all);
        return (folder / name).string();
    }
    std::string exits(const std::string& partner) const {
        return (fs::path(x().folder()) / (partner + ".exits")).string();
    }
    std::string copyOf(const std::string& name) const {
        return (fs::path(x().folder()) / "apps" / name).string();
    }

    // Chooses a menu item from the keyboard, as a user does: Alt and the menu's mnemonic,
    // then the item's mnemonic once the menu is open.
    void menuCommand(unsigned long window, pid_t pid, const std::string& menu,
                     const std::string& item) {
        ASSERT_EQ(x().run({"xdotool", "windowfocus", "--sync", std::to_string(window)}, 10), 0);
        const std::size_t before = x().windowsOf(pid).size();
        ASSERT_EQ(x().run({"xdotool", "key", "alt+" + menu}, 10), 0);
        ASSERT_TRUE(eventually([&] { return x().windowsOf(pid).size() > before; }))
            << "the menu did not open";
        ASSERT_EQ(x().run({"xdotool", "key", item}, 10), 0);
    }

    // A click on the centre of an element given in twips inside a client area whose top
    // left corner is at (left, top) on the screen.
    bool clickElement(int left, int top, double elementLeft, double elementTop, double width,
                      double height) {
        return x().click(left + static_cast<int>((elementLeft + width / 2) / TwipsPerPixel),
                         top + static_cast<int>((elementTop + height / 2) / TwipsPerPixel));
    }

    // "More..." grows the calculator to its full height.
    void growCalculator(unsigned long window) {
        const auto where = x().geometry(window);
        ASSERT_TRUE(where);
        ASSERT_TRUE(clickElement(where->x, where->y, 2790, 420, 690, 255));
        ASSERT_TRUE(eventually([&] {
            const auto now = x().geometry(window);
            return now && now->height == 5115 / TwipsPerPixel;
        })) << "the calculator did not grow";
    }

    void playGame(unsigned long calculator) {
        growCalculator(calculator);
        const auto where = x().geometry(calculator);
        ASSERT_TRUE(where);
        ASSERT_TRUE(clickElement(where->x, where->y, 1560, 4440, 1140, 255));
    }

    // Photographs `window` once it shows what `ready` looks for and has then stayed the same
    // for two seconds (the deal and the prompts have come to rest), with the pointer out of
    // the way.
    QImage settledPicture(unsigned long window, const std::function<bool(const QImage&)>& ready) {
        x().run({"xdotool", "mousemove", "1270", "1015"}, 10);
        QImage last = x().waitForPicture(window, ready, Timeout);
        EXPECT_TRUE(!last.isNull() && ready(last)) << "the window never showed what was awaited";
        int unchanged = 0;
        const bool settled = eventually(
            [&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(250));
                const QImage now = x().picture(window);
                unchanged = samePicture(now, last) ? unchanged + 1 : 0;
                last = now;
                return unchanged >= 8;
            },
            Timeout);
        EXPECT_TRUE(settled) << "the window never came to rest";
        return last;
    }

    // Keeps a picture where BLACKJACK_SCREENSHOT_DIR says.
    static void keep(const QImage& picture, const std::string& name) {
        const char* dir = std::getenv("BLACKJACK_SCREENSHOT_DIR");
        if (!dir || !*dir) return;
        fs::create_directories(dir);
        EXPECT_TRUE(picture.save(QString::fromStdString((fs::path(dir) / name).string()), "PNG"));
    }
};

TEST_F(Product, OnlineCalculatorStartsTheCalculatorBesideTheTable) {
    e2e::Process table;
    const unsigned long window = open(table, e2e::programPath("cardtable"), TableTitle);
    ASSERT_NE(window, 0u);

    menuCommand(window, table.pid(), "f", "c");
    const auto calculator = x().waitForWindow(CalculatorTitle, Timeout);
    ASSERT_EQ(calculator.size(), 1u) << table.output();
    EXPECT_EQ(x().processes(e2e::programPath("oddsdesk")).size(), 1u);

    EXPECT_TRUE(table.running());
    EXPECT_EQ(x().windows(TableTitle), std::vector<unsigned long>{window});
    EXPECT_EQ(table.output(), "");
}

TEST_F(Product, OnlineCalculatorWhileTheCalculatorRunsBringsItForward) {
    e2e::Process calculator;
    const unsigned long calculatorWindow =
        open(calculator, e2e::programPath("oddsdesk"), CalculatorTitle);
    ASSERT_NE(calculatorWindow, 0u);
    e2e::Process table;
    const unsigned long tableWindow =
        open(table, copyWithPartner("cardtable", "oddsdesk"), TableTitle);
    ASSERT_NE(tableWindow, 0u);
    const DisplayLink display(x());
    ASSERT_TRUE(display.above(tableWindow, calculatorWindow));  // mapped later
    ASSERT_TRUE(waitUntilListening("oddsdesk")) << calculator.output();

    menuCommand(tableWindow, table.pid(), "f", "c");
    ASSERT_TRUE(eventually([&] { return !readFile(exits("oddsdesk")).empty(); }))
        << "the second calculator still runs";
    EXPECT_EQ(readFile(exits("oddsdesk")), "0\n");

    EXPECT_TRUE(eventually([&] { return display.above(calculatorWindow, tableWindow); }))
        << "the running calculator was not brought forward";
    EXPECT_TRUE(calculator.running());
    EXPECT_EQ(x().windows(CalculatorTitle), std::vector<unsigned long>{calculatorWindow});
    EXPECT_TRUE(table.running());
    EXPECT_EQ(calculator.output(), "");
}

TEST_F(Product, PlayGameStartsTheTableAndEndsTheCalculator) {
    e2e::Process calculator;
    const unsigned long window = open(calculator, e2e::programPath("oddsdesk"), CalculatorTitle);
    ASSERT_NE(window, 0u);

    playGame(window);
    const auto code = calculator.waitExit(Timeout);
    ASSERT_TRUE(code) << "the calculator still runs after Play Game";
    EXPECT_EQ(*code, 0);
    EXPECT_EQ(calculator.output(), "");

    EXPECT_EQ(x().waitForWindow(TableTitle, Timeout).size(), 1u);
    EXPECT_EQ(x().processes(e2e::programPath("cardtable")).size(), 1u);
    EXPECT_TRUE(x().windows(CalculatorTitle).empty());
}

TEST_F(Product, PlayGameWhileTheTableRunsBringsItForward) {
    e2e::Process table;
    const unsigned long tableWindow = open(table, e2e::programPath("cardtable"), TableTitle);
    ASSERT_NE(tableWindow, 0u);
    const CoverWindow cover(x());
    ASSERT_NE(cover.id(), 0u);
    e2e::Process calculator;
    const unsigned long calculatorWindow =
        open(calculator, copyWithPartner("oddsdesk", "cardtable"), CalculatorTitle);
    ASSERT_NE(calculatorWindow, 0u);
    const DisplayLink display(x());
    ASSERT_TRUE(display.above(cover.id(), tableWindow));
    ASSERT_TRUE(waitUntilListening("cardtable")) << table.output();

    playGame(calculatorWindow);
    const auto code = calculator.waitExit(Timeout);
    ASSERT_TRUE(code) << "the calculator still runs after Play Game";
    EXPECT_EQ(*code, 0);
    ASSERT_TRUE(eventually([&] { return !readFile(exits("cardtable")).empty(); }))
        << "the second table still runs";
    EXPECT_EQ(readFile(exits("cardtable")), "0\n");

    EXPECT_TRUE(eventually([&] { return display.above(tableWindow, cover.id()); }))
        << "the running table was not brought forward";
    EXPECT_TRUE(table.running());
    EXPECT_EQ(x().windows(TableTitle), std::vector<unsigned long>{tableWindow});
    EXPECT_EQ(table.output(), "");
}

// Both windows in play: the table after a bet of chips and a deal, the calculator grown
// with a hand keyed (dealer 10, player 10 and 6).
TEST_F(Product, PicturesOfBothWindowsInPlay) {
    {
        e2e::Process table;
        const unsigned long window = open(table, e2e::programPath("cardtable"), TableTitle);
        ASSERT_NE(window, 0u);
        const auto where = x().geometry(window);
        ASSERT_TRUE(where);
        // The client area lies below the menu bar: its design height is 480 pixels.
        const int top = where->y + where->height - 7200 / TwipsPerPixel;
        // The player's first card lies on the felt after a deal, and while the hand is in
        // play the odds panel shows figures. A hand that ends at once (a blackjack) covers
        // them: then the next hand is dealt.
        const int offset = top - where->y;
        const QPoint card((3120 + 532) / TwipsPerPixel, offset + (4260 + 720) / TwipsPerPixel);
        // Before the deal the green felt lies there, once the table has painted itself.
        const auto showsFelt = [&](const QImage& now) {
            if (!now.valid(card)) return false;
            const QColor felt(now.pixel(card));
            return felt.green() > felt.red() + 24 && felt.green() > felt.blue() + 24;
        };
        const QImage before = settledPicture(window, showsFelt);
        ASSERT_TRUE(showsFelt(before)) << "the table never painted its felt";
        const auto showsFigures = [&](const QImage& now) {
            const int row = offset + 2640 / TwipsPerPixel;
            for (int px = 7185 / TwipsPerPixel; px < (7185 + 885) / TwipsPerPixel; ++px)
                if (now.pixel(px, row) != before.pixel(px, row)) return true;
            return false;
        };
        // With an ace up the insurance frame (moved to the left edge) asks first: "No".
        const double noLeft = 1275, noTop = 2520 + 630, noWidth = 975, noHeight = 465;
        const QPoint no(static_cast<int>((noLeft + noWidth / 2) / TwipsPerPixel),
                        offset + static_cast<int>((noTop + noHeight / 2) / TwipsPerPixel));
        QImage after;
        bool figures = false;
        for (int hand = 0; hand < 10 && !figures; ++hand) {
            for (double chip : {8280.0, 8280.0, 7440.0})
                ASSERT_TRUE(clickElement(where->x, top, chip, 5970, 735, 705));
            ASSERT_TRUE(clickElement(where->x, top, 240, 6240, 1095, 570));  // Deal
            after = settledPicture(window, [&](const QImage& now) {
                return now.size() == before.size() && now.pixel(card) != before.pixel(card);
            });
            ASSERT_EQ(after.size(), before.size());
            if (after.pixel(no) != before.pixel(no)) {
                ASSERT_TRUE(clickElement(where->x, top, noLeft, noTop, noWidth, noHeight));
                after = settledPicture(window, [&](const QImage& now) {
                    return now.size() == before.size() && now.pixel(no) == before.pixel(no);
                });
            }
            EXPECT_NE(after.pixel(card), before.pixel(card)) << "no card dealt to the player";
            figures = showsFigures(after);
        }
        EXPECT_TRUE(figures) << "the odds panel shows no figures";
        EXPECT_EQ(table.output(), "");
        keep(after, "cardtable.png");
    }
    {
        e2e::Process calculator;
        const unsigned long window =
            open(calculator, e2e::programPath("oddsdesk"), CalculatorTitle);
        ASSERT_NE(window, 0u);
        growCalculator(window);
        const auto where = x().geometry(window);
        ASSERT_TRUE(where);
        ASSERT_TRUE(clickElement(where->x, where->y, 3150, 90, 345, 250));   // dealer 10
        ASSERT_TRUE(clickElement(where->x, where->y, 3150, 720, 345, 250));  // player 10
        ASSERT_TRUE(clickElement(where->x, where->y, 2070, 720, 255, 250));  // player 6

        // The hand line and the expected value of standing are written in white.
        const auto hasWhite = [](const QImage& shot, double left, double top, double width,
                                 double height) {
            for (int py = static_cast<int>(top / TwipsPerPixel);
                 py < static_cast<int>((top + height) / TwipsPerPixel); ++py)
                for (int px = static_cast<int>(left / TwipsPerPixel);
                     px < static_cast<int>((left + width) / TwipsPerPixel); ++px)
                    if (shot.valid(px, py) && QColor(shot.pixel(px, py)).lightness() > 200)
                        return true;
            return false;
        };
        const auto handLine = [&](const QImage& shot) {
            return hasWhite(shot, 780, 990, 2800, 270);
        };
        const auto standValue = [&](const QImage& shot) {
            return hasWhite(shot, 795, 1380, 885, 195);
        };
        const QImage shot = settledPicture(
            window, [&](const QImage& now) { return handLine(now) && standValue(now); });
        ASSERT_EQ(shot.height(), 5115 / TwipsPerPixel);
        EXPECT_TRUE(handLine(shot)) << "no hand line";
        EXPECT_TRUE(standValue(shot)) << "no value for standing";
        EXPECT_EQ(calculator.output(), "");
        keep(shot, "oddsdesk.png");
    }
}

}  // namespace
