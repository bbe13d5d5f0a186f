// The calculator window on the model: start-up, card keys, prompts, Clear, resizing,
// "Play Game", help and the web link, with fake services and a fake window frame.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "calculator/CalculatorWindow.h"
#include "support/Fakes.h"

namespace {

using calculator::CalculatorWindow;

// A frame that remembers its placement and every height asked for, and that cannot grow
// beyond maxHeight or shrink below minHeight (a small screen, a window manager's limits).
class FakeFrame : public forms::WindowFrame {
public:
    void place(int px, int py, int pw, int ph, bool top, bool noAct) override {
        ++placements;
        x = px;
        y = py;
        width = pw;
        height = ph;
        topmost = top;
        noActivate = noAct;
        outer = static_cast<float>(ph) * 15;
    }
    float outerHeight() const override { return outer; }
    void setOuterHeight(float twips) override {
        requested.push_back(twips);
        outer = std::clamp(twips, minHeight, maxHeight);
    }
    int placements = 0;
    int x = 0, y = 0, width = 0, height = 0;
    bool topmost = false, noActivate = false;
    float outer = 0;
    float minHeight = 0, maxHeight = 1e9f;
    std::vector<float> requested;
};

struct Calculator : ::testing::Test {
    fakes::FakeInstance instance;
    fakes::RecordingProgram program;
    fakes::RecordingLauncher launcher;
    fakes::RecordingKeys keys;
    FakeFrame frame;
    CalculatorWindow w{{instance, program, launcher, keys}};

    void SetUp() override { w.setFrame(&frame); }
    void load() { w.Form_Load(); }
    void dealer(int value) { w.Command1(value).click(); }
    void player(int value) { w.Command3(value).click(); }

    struct Lamps {
        bool image1, timer1, image2, timer2;
        bool operator==(const Lamps&) const = default;
    };
    Lamps lamps() const {
        return {w.Image1.visible(), w.Timer1.enabled(), w.Image2.visible(), w.Timer2.enabled()};
    }
};

void PrintTo(const Calculator::Lamps& l, std::ostream* os) {
    *os << "{Image1 " << l.image1 << ", Timer1 " << l.timer1 << ", Image2 " << l.image2
        << ", Timer2 " << l.timer2 << "}";
}

// Every property of every element, to show that a key changed nothing at all.
using ElementState = std::tuple<std::string, int, std::string, bool, bool, float, float, float,
                                float, forms::Colour, bool, std::string, bool, int>;
std::vector<ElementState> snapshot(const forms::Window& w) {
    std::vector<ElementState> all;
    for (const forms::Element* e : w.elements())
        all.emplace_back(e->name(), e->index(), e->caption(), e->visible(), e->enabled(), e->left(),
                         e->top(), e->width(), e->height(), e->backColor(), e->fontBold(),
                         e->picture(), e->checked(), e->interval());
    return all;
}

TEST_F(Calculator, WindowAndItsOwnElementsAreLaidOutAsDesigned) {
    EXPECT_EQ(w.name(), "Form1");
    EXPECT_EQ(w.caption(), "Brenn Blackjack Calculator 3.2");
    EXPECT_EQ(w.backColor(), forms::rgb(64, 64, 64));
    EXPECT_EQ(w.fontName(), "Comic Sans MS");
    EXPECT_DOUBLE_EQ(w.fontSize(), 8.25);
    EXPECT_EQ(w.clientWidth(), 3675);
    EXPECT_EQ(w.clientHeight(), 4755);
    EXPECT_EQ(w.helpFile(), "tablehelp1");

    struct Design {
        const char* name;
        int index;
        const char* caption;
        float left, top, width, height;
    };
    const Design designs[] = {
        {"Image1", -1, "", 420, 120, 240, 195},
        {"Image2", -1, "", 420, 750, 240, 195},
        {"Command2", -1, "Clear", 1980, 420, 690, 255},
        {"cmdMore", -1, "More...", 2790, 420, 690, 255},
        {"Label1", 0, "Dealer", 120, 360, 555, 225},
        {"Label1", 1, "Player", 60, 990, 555, 225},
        {"Image3", -1, "", 3060, 2730, 480, 480},
        {"Label10", -1, "Help", 3105, 3150, 450, 315},
        {"Label8", -1, nullptr, 210, 4140, 3240, 255},
        {"Command6", -1, "Play Game", 1560, 4440, 1140, 255},
    };
    for (const Design& d : designs) {
        SCOPED_TRACE(d.name);
        const forms::Element* e = w.find(d.name, d.index);
        ASSERT_NE(e, nullptr);
        if (d.caption) {
            EXPECT_EQ(e->caption(), d.caption);
        }
        EXPECT_EQ(e->left(), d.left);
        EXPECT_EQ(e->top(), d.top);
        EXPECT_EQ(e->width(), d.width);
        EXPECT_EQ(e->height(), d.height);
    }
    EXPECT_EQ(w.Label8.caption(), "visit us at " + calculator::siteHost());
    EXPECT_EQ(w.Image1.picture(), "lamp");
    EXPECT_EQ(w.Image2.picture(), "lamp");
    EXPECT_EQ(w.Image3.picture(), "icon");
    EXPECT_TRUE(w.Label10.fontBold());
    EXPECT_DOUBLE_EQ(w.Label1(0).fontSize(), 9);
    EXPECT_EQ(w.Label1(1).foreColor(), forms::rgb(255, 255, 255));
    EXPECT_EQ(w.Command2.fontName(), "MS Sans Serif");

    for (const forms::Element* line : {&w.Line4, &w.Line5}) {
        EXPECT_EQ(line->x1(), 0);
        EXPECT_EQ(line->x2(), 3690);
        EXPECT_EQ(line->y1(), line->y2());
        EXPECT_EQ(line->foreColor(), forms::rgb(192, 255, 192));
    }
    EXPECT_EQ(w.Line4.y1(), 2550);
    EXPECT_EQ(w.Line5.y1(), 2610);
}

TEST_F(Calculator, ThePanelIsLaidOutForTheCalculator) {
    struct Design {
        const char* name;
        const char* caption;  // null: not checked
        float left, top, width, height;
        double fontSize;  // 0: not checked
    };
    const Design designs[] = {
        {"Label7", "", 795, 360, 375, 285, 9.75},
        {"Ladd2", "", 780, 990, 3045, 270, 9.75},
        {"Label2", "Stand", 165, 1380, 585, -1, 0},
        {"Label4", "Hit", 165, 1590, 585, -1, 0},
        {"Label9", "Double", 165, 1800, 585, -1, 0},
        {"Label11", "Split", 165, 2010, 585, -1, 0},
        {"lstandpe", nullptr, 795, 1380, 885, 195, 0},
        {"Lsplipe", nullptr, 795, 2010, 885, 195, 0},
        {"lstandper", nullptr, 795, 1410, -1, 195, 0},
        {"lspliper", nullptr, 795, 2040, -1, 195, 0},
        {"Label5", "EVEN", 1965, 2280, 630, 225, 0},
        {"lblDealProb", "Dealer's Chances", 180, 2610, 1620, 195, 0},
        {"l17", "17", 210, 2850, -1, -1, 0},
        {"lbust", "BUST", 210, 3900, -1, -1, 0},
    };
    for (const Design& d : designs) {
        SCOPED_TRACE(d.name);
        const forms::Element* e = w.find(d.name);
        ASSERT_NE(e, nullptr);
        if (d.caption) {
            EXPECT_EQ(e->caption(), d.caption);
        }
        EXPECT_EQ(e->left(), d.left);
        EXPECT_EQ(e->top(), d.top);
        if (d.width >= 0) {
            EXPECT_EQ(e->width(), d.width);
        }
        if (d.height >= 0) {
            EXPECT_EQ(e->height(), d.height);
        }
        if (d.fontSize > 0) {
            EXPECT_DOUBLE_EQ(e->fontSize(), d.fontSize);
        }
    }
    EXPECT_EQ(w.panel.upCard.name(), "Label7");
    EXPECT_TRUE(w.panel.upCard.visible());
    EXPECT_EQ(w.panel.upCard.fontName(), "Comic Sans MS");
    EXPECT_EQ(w.panel.upCard.foreColor(), forms::rgb(255, 255, 255));
}

TEST_F(Calculator, CardKeysFormTwoRowsWithTheirCaptionsAndNames) {
    const char* captions[] = {"A", "2", "3", "4", "5", "6", "7", "8", "9", "10"};
    for (int k = 1; k <= 10; ++k) {
        SCOPED_TRACE(k);
        const forms::Element& d = w.Command1(k);
        const forms::Element& p = w.Command3(k);
        EXPECT_EQ(d.caption(), captions[k - 1]);
        EXPECT_EQ(p.caption(), captions[k - 1]);
        EXPECT_EQ(d.left(), 720 + 270 * (k - 1));
        EXPECT_EQ(p.left(), d.left());
        EXPECT_EQ(d.top(), 90);
        EXPECT_EQ(p.top(), 720);
        EXPECT_EQ(d.width(), k == 10 ? 345 : 255);
        EXPECT_EQ(p.width(), d.width());
        EXPECT_EQ(d.height(), 250);
        const std::string card = k == 1 ? "ace" : std::to_string(k);
        EXPECT_EQ(d.accessibleName(), "Dealer " + card);
        EXPECT_EQ(p.accessibleName(), "Player " + card);
    }
}

TEST_F(Calculator, EveryElementOfTheWindowIsPresentOnce) {
    const char* names[] = {"Image1",      "Image2",  "Command2",  "cmdMore", "Label7",   "Ladd2",
                           "Label2",      "Label4",  "Label9",    "Label11", "lstandpe", "lhitpe",
                           "ldoubpe",     "Lsplipe", "lstandper", "lhitper", "Ldoubper", "lspliper",
                           "Line1",       "Line2",   "Line3",     "Label5",  "Line4",    "Line5",
                           "lblDealProb", "l17",     "l18",       "l19",     "l20",      "l21",
                           "lbust",       "l17t",    "l18t",      "l19t",    "l20t",     "l21t",
                           "lbustt",      "l17l",    "l18l",      "l19l",    "l20l",     "l21l",
                           "lbustl",      "Image3",  "Label10",   "Label8",  "Command6", "Timer1",
                           "Timer2",      "ldeal",   "lptot",     "Ladd",    "Label3"};
    for (const char* name : names) {
        const auto count =
            std::count_if(w.elements().begin(), w.elements().end(),
                          [&](const forms::Element* e) { return e->name() == name; });
        EXPECT_EQ(count, 1) << name;
    }
}

TEST_F(Calculator, StartUpPlacesTheWindowOnTopHidesTheValuesAndFillsTheTables) {
    load();
    EXPECT_EQ(frame.placements, 1);
    EXPECT_EQ(std::tie(frame.x, frame.y, frame.width, frame.height), std::tuple(5, 5, 250, 195));
    EXPECT_TRUE(frame.topmost);
    EXPECT_TRUE(frame.noActivate);
    EXPECT_EQ(frame.outerHeight(), CalculatorWindow::CompactHeight);

    for (const forms::Element* e :
         {&w.panel.lstandper, &w.panel.lhitper, &w.panel.Ldoubper, &w.panel.lspliper,
          &w.panel.lstandpe, &w.panel.lhitpe, &w.panel.ldoubpe, &w.panel.Lsplipe})
        EXPECT_FALSE(e->visible()) << e->name();
    EXPECT_NE(w.panel.tables.StandEvTable[10][16], 0);
    EXPECT_EQ(w.caption(), "Brenn Blackjack Calculator 3.2");
    EXPECT_EQ(program.ends, 0);
    EXPECT_EQ(instance.activations, 0);

    EXPECT_EQ(w.Timer1.interval(), 500);
    EXPECT_EQ(w.Timer2.interval(), 500);
    EXPECT_EQ(lamps(), (Lamps{true, true, false, false}));
}

TEST_F(Calculator, SecondCopyActivatesTheFirstAndEndsBeforePlacingOrFilling) {
    instance.running = true;
    load();
    EXPECT_EQ(w.caption(), "...duplicate instance...");
    EXPECT_EQ(instance.activations, 1);
    EXPECT_EQ(program.ends, 1);
    EXPECT_EQ(frame.placements, 0);
    EXPECT_EQ(w.panel.tables.StandEvTable[10][16], 0);
}

TEST_F(Calculator, CardKeysReachTheEngine) {
    load();
    dealer(10);
    EXPECT_EQ(w.panel.upCard.caption(), "10");
    player(10);
    player(6);
    EXPECT_EQ(w.panel.lstandpe.caption(), "-0.5404");
    EXPECT_EQ(w.panel.lhitpe.caption(), "-0.5398");
    EXPECT_EQ(w.panel.ldoubpe.caption(), "-1.0797");
    EXPECT_EQ(w.panel.lhitper.backColor(), 49152u);
    EXPECT_EQ(w.panel.lstandper.backColor(), 255u);
    EXPECT_EQ(w.panel.Ladd2.caption(), "10 + 6 = 16");
    EXPECT_TRUE(w.panel.lhitpe.visible());

    // An ace key on the dealer's row shows "A" and recomputes the keyed hand from the
    // ace's column.
    dealer(1);
    EXPECT_EQ(w.panel.upCard.caption(), "A");
    EXPECT_EQ(w.panel.ldeal.caption(), "1");
    EXPECT_EQ(w.panel.lstandpe.caption(), "-0.667");
    EXPECT_EQ(w.panel.lhitpe.caption(), "-0.5171");
    EXPECT_EQ(w.panel.ldoubpe.caption(), "-1.0343");
    EXPECT_EQ(w.panel.l17t.caption(), "0.1665");
    EXPECT_EQ(w.panel.Ladd2.caption(), "10 + 6 = 16");
}

TEST_F(Calculator, TheHandLineTotalsEveryKeyedCard) {
    load();
    dealer(2);
    for (int i = 0; i < 10; ++i) player(2);
    EXPECT_EQ(w.panel.Ladd2.caption(), "2 + 2 + 2 + 2 + 2 + 2 + 2 + 2 + 2 + 2 = 20");
    player(1);  // the eleventh card, an ace that can only count 1
    EXPECT_EQ(w.panel.Ladd2.caption(), "2 + 2 + 2 + 2 + 2 + 2 + 2 + 2 + 2 + 2 + 1 = 21");
    player(1);
    EXPECT_EQ(w.panel.Ladd2.caption(), "BUST 22");
}

TEST_F(Calculator, PlayerKeyBeforeAnyDealerKeyChangesNothing) {
    load();
    w.Timer1_Timer();  // the dealer's lamp is mid-blink
    const auto before = snapshot(w);
    for (int k = 1; k <= 10; ++k) player(k);
    EXPECT_EQ(snapshot(w), before);
    EXPECT_TRUE(w.Timer1.enabled());
}

TEST_F(Calculator, PromptsFollowTheKeyedHand) {
    load();
    // Window just created: the dealer's lamp lit, then blinking.
    EXPECT_EQ(lamps(), (Lamps{true, true, false, false}));
    w.Timer1.tick();
    EXPECT_EQ(lamps(), (Lamps{false, true, false, false}));
    w.Timer1.tick();
    EXPECT_TRUE(w.Image1.visible());
    w.Timer1.tick();

    // Dealer card, no player card: the dealer's lamp lit; the player's blinking, first
    // tick lights it.
    dealer(10);
    EXPECT_EQ(lamps(), (Lamps{true, false, false, true}));
    w.Timer2.tick();
    EXPECT_EQ(lamps(), (Lamps{true, false, true, true}));

    // One player card: still blinking.
    player(10);
    EXPECT_EQ(lamps(), (Lamps{true, false, true, true}));
    w.Timer2.tick();
    EXPECT_EQ(lamps(), (Lamps{true, false, false, true}));

    // Two player cards: both lit.
    player(6);
    EXPECT_EQ(lamps(), (Lamps{true, false, true, false}));
    player(2);
    EXPECT_EQ(lamps(), (Lamps{true, false, true, false}));

    // Clear: the dealer's lamp blinks again; the player's goes out.
    w.Command2.click();
    EXPECT_EQ(lamps(), (Lamps{true, true, false, false}));
    w.Timer1.tick();
    EXPECT_EQ(lamps(), (Lamps{false, true, false, false}));
    // A Clear mid-blink leaves the dealer's lamp as it is.
    w.Command2.click();
    EXPECT_EQ(lamps(), (Lamps{false, true, false, false}));
}

TEST_F(Calculator, DealerKeyAgainKeepsTheLampsWhereTheHandLeftThem) {
    load();
    dealer(9);
    player(5);
    w.Timer2.tick();
    const Lamps oneCard = lamps();
    dealer(4);
    EXPECT_EQ(lamps(), oneCard);
    EXPECT_TRUE(w.Timer2.enabled());

    player(3);
    const Lamps twoCards = lamps();
    EXPECT_EQ(twoCards, (Lamps{true, false, true, false}));
    dealer(7);
    EXPECT_EQ(lamps(), twoCards);
}

TEST_F(Calculator, BustingCardLightsThePlayerLampButADealerKeyAfterTheBustDoesNot) {
    load();
    dealer(10);
    player(10);
    player(6);
    w.Timer2_Timer();  // the player's lamp dark, as if caught mid-blink
    ASSERT_EQ(lamps(), (Lamps{true, false, false, false}));
    player(10);  // over 21: the card is taken and the prompt step runs
    EXPECT_EQ(w.panel.lptot.caption(), "BUST 26");
    EXPECT_EQ(lamps(), (Lamps{true, false, true, false}));

    w.Timer2_Timer();
    w.Timer1_Timer();
    ASSERT_EQ(lamps(), (Lamps{false, false, false, false}));
    dealer(7);  // the dealer's step lights its lamp; the busted hand is not redrawn
    EXPECT_EQ(w.panel.ldeal.caption(), "7");
    EXPECT_EQ(lamps(), (Lamps{true, false, false, false}));
}

TEST_F(Calculator, ClearAfterAFinishedHandEmptiesThePanelAndKeepsTheHeight) {
    load();
    w.cmdMore.click();
    dealer(6);
    player(8);
    player(8);
    ASSERT_TRUE(w.panel.l17t.visible());
    ASSERT_FALSE(w.panel.Ladd.caption().empty());
    const auto heightsAsked = frame.requested.size();

    w.Command2.click();

    EXPECT_EQ(w.panel.Ladd.caption(), "");
    EXPECT_EQ(w.panel.Ladd2.caption(), "");
    EXPECT_EQ(w.panel.upCard.caption(), "");
    EXPECT_EQ(w.panel.lplay(1).caption(), "");
    EXPECT_EQ(w.panel.lstandpe.caption(), "");
    for (const forms::Element* e :
         {&w.panel.l17t, &w.panel.l18t, &w.panel.l19t, &w.panel.l20t, &w.panel.l21t,
          &w.panel.lbustt, &w.panel.l17l, &w.panel.l18l, &w.panel.l19l, &w.panel.l20l,
          &w.panel.l21l, &w.panel.lbustl, &w.panel.lstandpe, &w.panel.lstandper})
        EXPECT_FALSE(e->visible()) << e->name();
    EXPECT_FALSE(w.Timer2.enabled());
    EXPECT_FALSE(w.Image2.visible());
    EXPECT_TRUE(w.Timer1.enabled());
    EXPECT_EQ(frame.requested.size(), heightsAsked);
    EXPECT_EQ(frame.outerHeight(), CalculatorWindow::ExpandedHeight);
    EXPECT_EQ(w.cmdMore.caption(), "Hide...");

    // The next hand starts from an empty hand text.
    dealer(10);
    player(10);
    player(6);
    EXPECT_EQ(w.panel.Ladd2.caption(), "10 + 6 = 16");
}

TEST_F(Calculator, MoreGrowsTheWindowAndHideShrinksItInHundredTwipSteps) {
    load();
    w.cmdMore.click();
    EXPECT_EQ(w.cmdMore.caption(), "Hide...");
    EXPECT_EQ(frame.outerHeight(), 5115);
    // 22 steps of 100 pass 5114, then the final height.
    ASSERT_EQ(frame.requested.size(), 23u);
    EXPECT_EQ(frame.requested.front(), 3025);
    EXPECT_EQ(frame.requested[21], 5125);
    EXPECT_EQ(frame.requested.back(), 5115);

    frame.requested.clear();
    w.cmdMore.click();
    EXPECT_EQ(w.cmdMore.caption(), "More...");
    EXPECT_EQ(frame.outerHeight(), 2925);
    ASSERT_EQ(frame.requested.size(), 23u);
    EXPECT_EQ(frame.requested.front(), 5015);
    EXPECT_EQ(frame.requested[21], 2915);
    EXPECT_EQ(frame.requested.back(), 2925);
}

TEST_F(Calculator, ResizeThatCannotReachItsHeightEndsAfterTenThousandSteps) {
    load();
    frame.maxHeight = 4000;
    w.cmdMore.click();
    ASSERT_EQ(frame.requested.size(), 10001u);
    EXPECT_EQ(frame.requested.back(), 5115);
    EXPECT_EQ(frame.outerHeight(), 4000);
    EXPECT_EQ(w.cmdMore.caption(), "Hide...");

    frame.requested.clear();
    frame.minHeight = 3500;
    w.cmdMore.click();
    ASSERT_EQ(frame.requested.size(), 10001u);
    EXPECT_EQ(frame.requested.back(), 2925);
    EXPECT_EQ(w.cmdMore.caption(), "More...");
}

// Records whether the table game had been started when the window unloaded.
struct UnloadWatch : forms::WindowObserver {
    explicit UnloadWatch(const fakes::RecordingLauncher& l) : launcher(l) {}
    void elementChanged(forms::Element&, forms::Property) override {}
    void windowUnloaded() override { launchedBefore = launcher.programs.size(); }
    const fakes::RecordingLauncher& launcher;
    std::size_t launchedBefore = 99;
};

TEST_F(Calculator, PlayGameStartsTheTableGameThenCloses) {
    load();
    UnloadWatch watch(launcher);
    w.setObserver(&watch);
    w.Command6.click();
    EXPECT_EQ(launcher.programs, std::vector<std::string>{"cardtable"});
    EXPECT_EQ(watch.launchedBefore, 1u);
    EXPECT_TRUE(w.unloaded());
    w.setObserver(nullptr);
}

TEST_F(Calculator, HelpPictureSetsContext405ThenPressesF1AndItsCaptionDoesNothing) {
    load();
    w.Label10.click();
    EXPECT_TRUE(keys.sent.empty());

    int contextWhenSent = 0;
    keys.onKeys = [&](const std::string&) { contextWhenSent = w.helpContext(); };
    w.Image3.click();
    EXPECT_EQ(keys.sent, std::vector<std::string>{"{f1}"});
    EXPECT_EQ(contextWhenSent, 405);
    EXPECT_FALSE(w.unloaded());
}

TEST_F(Calculator, WebLinkOpensTheSitesHomePageAndStaysOpen) {
    load();
    w.Label8.click();
    EXPECT_EQ(launcher.urls, std::vector<std::string>{"http://" TEST_SITE_HOST "/"});
    EXPECT_EQ(calculator::siteHost(), TEST_SITE_HOST);
    EXPECT_FALSE(w.unloaded());
    EXPECT_TRUE(launcher.programs.empty());
}

}  // namespace
