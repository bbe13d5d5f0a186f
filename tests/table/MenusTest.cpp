// The menu commands: speed, sound, odds, the calculator, the web pages, help, leaving the
// program, "Play Online" and the about box.

#include <cctype>
#include <functional>
#include <iterator>
#include <vector>

#include "TableFixture.h"

namespace {
const char* const PlayOnlineText =
    "Carvex will now start the Brenn Blackjack Calculator and go to our recommended online "
    "Blackjack gaming site.";
}  // namespace

class MenusTest : public TableFixture {
protected:
    void SetUp() override {
        TableFixture::SetUp();
        load();
    }
};

TEST_F(MenusTest, MenuBarHasItsItemsInOrderUnderTheirMenus) {
    // The design state, before the settings are applied.
    table::TableWindow design(services());
    struct Item {
        const char* name;
        const char* parent;  // null: on the menu bar itself
        const char* caption;
        char mnemonic;
    };
    const Item items[] = {
        {"mnufile", nullptr, "File", 'F'},
        {"mnuOnlineCalculator", "mnufile", "Online Calculator", 'C'},
        {"mnuexit", "mnufile", "Exit", 'x'},
        {"mnuoption", nullptr, "Options", 'O'},
        {"mnuds", "mnuoption", "Dealer Speed", 'D'},
        {"mnudealfast", "mnuds", "Fast (Sound off)", 'F'},
        {"mnudealnorm", "mnuds", "Normal", 'N'},
        {"mnuso", "mnuoption", "Sound Off", 'S'},
        {"mnuodds", "mnuoption", "Hide Odds", 'O'},
        {"mnupot", "mnuoption", "Change Starting Amount", 'A'},
        {"mnung", nullptr, "New Game", 'N'},
        {"mnuplayonline", nullptr, "Play Online", 'P'},
        {"mnuhelp", nullptr, "Help", 'H'},
        {"mnuSearchHelp", "mnuhelp", "Search Help", 'S'},
        {"mnuabout", "mnuhelp", "About", 'A'},
        {"menuws", "mnuhelp", "Visit Our Web Site", 'W'},
    };
    std::vector<const forms::Element*> menus;
    for (const forms::Element* e : design.elements())
        if (e->kind() == forms::ElementKind::Menu) menus.push_back(e);
    ASSERT_EQ(menus.size(), std::size(items));
    for (std::size_t i = 0; i < menus.size(); ++i) {
        const Item& item = items[i];
        const forms::Element& e = *menus[i];
        SCOPED_TRACE(item.name);
        EXPECT_EQ(e.name(), item.name);
        EXPECT_EQ(e.caption(), item.caption);
        EXPECT_EQ(e.mnemonic(), item.mnemonic);
        EXPECT_NE(e.caption().find(item.mnemonic), std::string::npos);
        if (item.parent) {
            ASSERT_NE(e.container(), nullptr);
            EXPECT_EQ(e.container()->name(), item.parent);
        } else {
            EXPECT_EQ(e.container(), nullptr);
        }
        // No two items of one menu share a mnemonic.
        for (std::size_t j = 0; j < i; ++j) {
            if (menus[j]->container() == e.container()) {
                EXPECT_NE(std::tolower(menus[j]->mnemonic()), std::tolower(e.mnemonic()))
                    << menus[j]->name();
            }
        }
        EXPECT_TRUE(e.visible());
        EXPECT_TRUE(e.enabled());
    }
    EXPECT_TRUE(design.mnudealnorm.checked());
    EXPECT_FALSE(design.mnudealfast.checked());
}

TEST_F(MenusTest, SpeedCommandsMoveTheCheckMarkAndPaceBothTimers) {
    w->Tp1.setEnabled(true);  // a deal animation under way
    w->mnudealfast.click();
    EXPECT_TRUE(w->mnudealfast.checked());
    EXPECT_FALSE(w->mnudealnorm.checked());
    EXPECT_EQ(w->Tp1.interval(), 80);
    EXPECT_EQ(w->timdeal.interval(), 80);
    EXPECT_TRUE(w->Tp1.enabled());
    EXPECT_FALSE(w->timdeal.enabled());
    EXPECT_EQ(w->SoundOff, 0);
    for (int i = 0; i < 2; ++i) {
        w->mnudealnorm.click();
        EXPECT_FALSE(w->mnudealfast.checked());
        EXPECT_TRUE(w->mnudealnorm.checked());
        EXPECT_EQ(w->Tp1.interval(), 300);
        EXPECT_EQ(w->timdeal.interval(), 300);
    }
}

TEST_F(MenusTest, SoundCommandToggles) {
    w->mnuso.click();
    EXPECT_EQ(w->mnuso.caption(), "Sound On");
    EXPECT_EQ(w->SoundOff, 1);
    w->PlayEffect(1);
    EXPECT_TRUE(sound.played.empty());
    w->mnuso.click();
    EXPECT_EQ(w->mnuso.caption(), "Sound Off");
    EXPECT_EQ(w->SoundOff, 0);
}

TEST_F(MenusTest, OddsCommandCoversAndUncoversThePanel) {
    w->mnuodds.click();
    EXPECT_TRUE(w->cover.Picture1.visible());
    EXPECT_EQ(w->mnuodds.caption(), "Show Odds");
    w->mnuodds.click();
    EXPECT_FALSE(w->cover.Picture1.visible());
    EXPECT_EQ(w->mnuodds.caption(), "Hide Odds");
}

TEST_F(MenusTest, OddsStoredOffAreUncoveredByTheFirstCommand) {
    settings.set("odds", "off");
    load();
    w->mnuodds.click();
    EXPECT_FALSE(w->cover.Picture1.visible());
    EXPECT_EQ(w->mnuodds.caption(), "Hide Odds");
    EXPECT_EQ(w->cover.Command17.caption(), "Hide Odds");
}

TEST_F(MenusTest, CalculatorAndWebSiteAreLaunched) {
    w->mnuOnlineCalculator.click();
    w->menuws.click();
    EXPECT_EQ(launcher.programs, std::vector<std::string>{"oddsdesk"});
    EXPECT_EQ(launcher.urls,
              std::vector<std::string>{"http://www.example.com/blackjack/blackjack.htm"});
    EXPECT_FALSE(w->unloaded());
}

TEST_F(MenusTest, SearchHelpSendsF1AtTheTablesTopic) {
    for (int i = 1; i <= 2; ++i) {
        w->mnuSearchHelp.click();
        EXPECT_EQ(w->helpContext(), 405);
        EXPECT_EQ(keys.sent, std::vector<std::string>(static_cast<std::size_t>(i), "{f1}"));
    }
}

TEST_F(MenusTest, ExitSavesTheSettings) {
    w->mnuexit.click();
    EXPECT_TRUE(w->unloaded());
    EXPECT_EQ(settings.order.size(), 4u);
}

TEST_F(MenusTest, PlayOnlineConfirmedStartsTheCalculatorOpensThePageAndLeaves) {
    w->mnuplayonline.click();
    EXPECT_EQ(dialogs.beeps, 1);
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked[0].first, "Play Online");
    EXPECT_EQ(dialogs.asked[0].second, PlayOnlineText);
    EXPECT_EQ(launcher.programs, std::vector<std::string>{"oddsdesk"});
    EXPECT_EQ(launcher.urls,
              std::vector<std::string>{"http://www.example.com/blackjack/online.htm"});
    EXPECT_TRUE(w->unloaded());
    EXPECT_EQ(settings.order.size(), 4u);
}

TEST_F(MenusTest, PlayOnlineCancelledLeavesTheTableAsItWas) {
    dialogs.answer = platform::Dialogs::Answer::Cancel;
    w->mnuplayonline.click();
    EXPECT_EQ(dialogs.beeps, 1);
    EXPECT_EQ(dialogs.asked.size(), 1u);
    EXPECT_TRUE(launcher.programs.empty());
    EXPECT_TRUE(launcher.urls.empty());
    EXPECT_FALSE(w->unloaded());
    EXPECT_TRUE(settings.order.empty());
}

TEST_F(MenusTest, SiteRootComesFromTheServices) {
    auto s = services();
    s.siteRoot = "http://blackjack.test";
    w = std::make_unique<table::TableWindow>(s);
    w->Form_Load();
    w->menuws.click();
    EXPECT_EQ(launcher.urls,
              std::vector<std::string>{"http://blackjack.test/blackjack/blackjack.htm"});
}

class AboutBoxTest : public TableFixture {
protected:
    void SetUp() override {
        TableFixture::SetUp();
        auto s = services();
        s.showWindow = [this](forms::Window& window) { shown.push_back(&window); };
        w = std::make_unique<table::TableWindow>(s);
        w->Form_Load();
    }
    std::vector<forms::Window*> shown;
};

TEST_F(AboutBoxTest, AboutShowsTheBoxWithItsPicturePlaced) {
    w->mnuabout.click();
    table::Brenn* box = w->aboutBox();
    ASSERT_NE(box, nullptr);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], box);
    EXPECT_EQ(box->caption(), "About Carvex");
    EXPECT_EQ(box->clientWidth(), 6900);
    EXPECT_EQ(box->clientHeight(), 5100);
    EXPECT_EQ(box->Image1.picture(), "about");
    EXPECT_EQ(box->Image1.left(), 96);  // (6900 - 6660) / 2.5
    EXPECT_EQ(box->Image1.top(), 90);
    EXPECT_EQ(box->Command1.caption(), "Ok");
    EXPECT_EQ(box->Command1.mnemonic(), 'O');
    EXPECT_FALSE(box->Label1.caption().empty());
}

TEST_F(AboutBoxTest, EachWayOfClosingUnloadsAndTheNextAboutLoadsAnew) {
    const std::function<void(table::Brenn&)> closers[] = {
        [](table::Brenn& b) { b.Command1.click(); },
        [](table::Brenn& b) { b.Form_Deactivate(); },
        [](table::Brenn& b) { b.Form_LostFocus(); },
    };
    for (const auto& close : closers) {
        w->mnuabout.click();
        table::Brenn* box = w->aboutBox();
        ASSERT_NE(box, nullptr);
        box->Image1.setLeft(0);
        close(*box);
        EXPECT_TRUE(box->unloaded());  // still alive after its own handler returned
        EXPECT_EQ(w->aboutBox(), nullptr);
        box->Form_LostFocus();  // a late event for the closed box does nothing
        w->mnuabout.click();
        ASSERT_NE(w->aboutBox(), nullptr);
        EXPECT_FALSE(w->aboutBox()->unloaded());
        EXPECT_EQ(w->aboutBox()->Image1.left(), 96);
        w->aboutBox()->Command1.click();
    }
    EXPECT_EQ(shown.size(), 6u);
}

TEST_F(AboutBoxTest, AboutWhileShownKeepsTheSameBox) {
    w->mnuabout.click();
    table::Brenn* box = w->aboutBox();
    box->Image1.setLeft(0);
    w->mnuabout.click();
    EXPECT_EQ(w->aboutBox(), box);
    EXPECT_EQ(box->Image1.left(), 0);
    EXPECT_EQ(shown.size(), 2u);
}

TEST_F(AboutBoxTest, ClosingTheTableClosesTheBox) {
    w->mnuabout.click();
    table::Brenn* box = w->aboutBox();
    w->mnuexit.click();
    EXPECT_TRUE(box->unloaded());
    EXPECT_EQ(w->aboutBox(), nullptr);
}
