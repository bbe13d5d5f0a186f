// The four settings of "zopt22.ini": read at start-up with their defaults, written back
// when the table closes.

#include <string>

#include "TableFixture.h"

class SettingsTest : public TableFixture {
protected:
    void expectNormalSpeed() {
        EXPECT_EQ(w->Tp1.interval(), 300);
        EXPECT_EQ(w->timdeal.interval(), 300);
        EXPECT_TRUE(w->mnudealnorm.checked());
        EXPECT_FALSE(w->mnudealfast.checked());
    }
};

TEST_F(SettingsTest, NoFileOrEmptyValuesGiveTheDefaults) {
    for (bool stored : {false, true}) {
        SCOPED_TRACE(stored ? "empty values" : "no file");
        if (stored)
            for (const char* key : {"Speed", "odds", "sound", "pot"}) settings.set(key, "");
        load();
        expectNormalSpeed();
        EXPECT_EQ(w->mnuodds.caption(), "Hide Odds");
        EXPECT_FALSE(w->cover.Picture1.visible());
        EXPECT_EQ(w->mnuso.caption(), "Sound Off");
        EXPECT_EQ(w->SoundOff, 0);
        EXPECT_EQ(w->StartingAmount, 1000);
        EXPECT_EQ(w->ltot.caption(), "1000");
    }
}

TEST_F(SettingsTest, TheFourKeysAreReadOnceEachInOrder) {
    load();
    EXPECT_EQ(settings.keysRead, (std::vector<std::string>{"Speed", "odds", "sound", "pot"}));
}

TEST_F(SettingsTest, SpeedOtherThanSlowDealsFast) {
    for (const char* stored : {"fast", "Fast", "Slow", "slow ", "x"}) {
        SCOPED_TRACE(stored);
        settings.set("Speed", stored);
        load();
        EXPECT_EQ(w->Tp1.interval(), 10);
        EXPECT_EQ(w->timdeal.interval(), 10);
        EXPECT_TRUE(w->mnudealfast.checked());
        EXPECT_FALSE(w->mnudealnorm.checked());
    }
    settings.set("Speed", "slow");
    load();
    expectNormalSpeed();
}

TEST_F(SettingsTest, OddsOtherThanOnCoverThePanel) {
    for (const char* stored : {"off", "On", "x"}) {
        SCOPED_TRACE(stored);
        settings.set("odds", stored);
        load();
        EXPECT_TRUE(w->cover.Picture1.visible());
        EXPECT_EQ(w->mnuodds.caption(), "Show Odds");
    }
    settings.set("odds", "on");
    load();
    EXPECT_FALSE(w->cover.Picture1.visible());
    EXPECT_EQ(w->mnuodds.caption(), "Hide Odds");
}

TEST_F(SettingsTest, SoundOtherThanOnSilencesTheTable) {
    for (const char* stored : {"off", "ON"}) {
        SCOPED_TRACE(stored);
        settings.set("sound", stored);
        load();
        EXPECT_EQ(w->mnuso.caption(), "Sound On");
        EXPECT_EQ(w->SoundOff, 1);
        w->Image4_MouseUp(0, forms::LeftButton, 0, 0, 0);
        EXPECT_TRUE(sound.played.empty());
    }
    settings.set("sound", "on");
    load();
    EXPECT_EQ(w->mnuso.caption(), "Sound Off");
    EXPECT_EQ(w->SoundOff, 0);
}

TEST_F(SettingsTest, PotGivesTheStartingAmountAndBankroll) {
    struct Case {
        const char* stored;
        double amount;
        const char* bankroll;
    };
    const Case cases[] =
        {
            {" 2500", 2500, "2500"}, {"2500", 2500, "2500"}, {"987.5", 987.5, "987.5"},
            {"abc", 0, "0"},         {"1e999", 0, "0"},      {"-1e999", 0, "0"},
            {"-20", -20, "0"},  // a negative bankroll is shown as 0
        };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        settings.set("pot", c.stored);
        load();
        EXPECT_EQ(w->StartingAmount, c.amount);
        EXPECT_EQ(w->ltot.caption(), c.bankroll);
    }
}

// The store cuts a long value, as the settings file's reader does; the table takes it as
// it comes.
TEST_F(SettingsTest, LongValueIsCutTo127Characters) {
    settings.set("pot", "1" + std::string(199, '0'));
    const std::string longSound = "on" + std::string(300, 'x');
    settings.set("sound", longSound);
    table::TableWindow window(table::TableServices{random, clock, events, settings, sound, launcher,
                                                   keys, instance, dialogs, program, nullptr,
                                                   "http://www.example.com"});
    EXPECT_EQ(window.GetIniValue("zopt22.ini", "Options", "pot").size(), 127u);
    EXPECT_EQ(window.GetIniValue("zopt22.ini", "Options", "sound"), longSound.substr(0, 127));
    window.Form_Load();
    EXPECT_EQ(window.StartingAmount, 1e126);
    EXPECT_EQ(window.SoundOff, 1);
}

TEST_F(SettingsTest, UnloadWritesAllFourKeysInOrder) {
    load();
    w->unload();
    EXPECT_EQ(settings.order, (std::vector<std::string>{"Speed", "odds", "sound", "pot"}));
    EXPECT_EQ(settings.get("Speed"), "slow");
    EXPECT_EQ(settings.get("odds"), "on");
    EXPECT_EQ(settings.get("sound"), "on");
    EXPECT_EQ(settings.get("pot"), " 1000");
}

TEST_F(SettingsTest, UnloadWritesTheChangedState) {
    load();
    w->mnudealfast.click();
    w->mnuodds.click();
    w->mnuso.click();
    w->Label6_Click();
    w->Text2.typeText("500");
    w->cpotok.click();
    w->unload();
    EXPECT_EQ(settings.get("Speed"), "fast");
    EXPECT_EQ(settings.get("odds"), "off");
    EXPECT_EQ(settings.get("sound"), "off");
    EXPECT_EQ(settings.get("pot"), " 500");
    EXPECT_EQ(w->ltot.caption(), "1000");  // the new amount waits for a new game
}

// The session's request to keep the state writes what the unload writes, and the table
// plays on.
TEST_F(SettingsTest, SavingWritesTheStateAndKeepsTheTableOpen) {
    load();
    w->mnudealfast.click();
    w->mnuso.click();
    w->saveSettings();
    EXPECT_EQ(settings.order, (std::vector<std::string>{"Speed", "odds", "sound", "pot"}));
    EXPECT_EQ(settings.get("Speed"), "fast");
    EXPECT_EQ(settings.get("odds"), "on");
    EXPECT_EQ(settings.get("sound"), "off");
    EXPECT_EQ(settings.get("pot"), " 1000");
    EXPECT_FALSE(w->unloaded());
}

TEST_F(SettingsTest, StoredStateSurvivesARestart) {
    settings.set("Speed", "Fast");
    settings.set("odds", "off");
    settings.set("sound", "off");
    settings.set("pot", "-20");
    load();
    w->unload();
    EXPECT_EQ(settings.get("Speed"), "fast");
    EXPECT_EQ(settings.get("odds"), "off");
    EXPECT_EQ(settings.get("sound"), "off");
    EXPECT_EQ(settings.get("pot"), "-20");
}
