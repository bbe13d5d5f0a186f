// Start-up and shut-down of the table window: one copy of the program only, the card
// arrays, where the cards lie on the table, and the four settings of "zopt22.ini".

#include "forms/Conversions.h"
#include "table/TableWindow.h"

namespace table {

namespace {
const char* const SettingsFile = "zopt22.ini";
const char* const SettingsSection = "Options";

// Cards past the ninth of a hand would run off the table at the usual step, so they
// close up: this step keeps a 21-card player or dealer hand on the cloth with every
// card's corner showing.
constexpr float CompressedStep = 150;
// The split hands' cards past the ninth close up the same way.
constexpr float CompressedSplitStep = 100;
}  // namespace

void TableWindow::Form_Load() {
    // A second copy hands over to the running one and ends before it touches the
    // settings file. The program's start-up sequence hands a second copy over before this
    // window is even built, so in the program this branch never runs; it stays as the
    // window's own guard, for any start that skips that sequence.
    if (services_.instance.previousInstance()) {
        setCaption("...duplicate instance...");
        services_.instance.activatePrevious();
        services_.program.endNow();
        return;
    }

    f1.setLeft(0);  // the insurance frame, at the window's left edge
    fillCardArrays();
    layOutCardSlots();
    Text1.setCaption("0");
    hideOddsFigures();
    panel.fillTables();
    readSettings();
}

// The blackjack value of each card number (an ace 1, courts 10) and its rank for the pair
// test (an ace 14).
void TableWindow::fillCardArrays() {
    int k = 0;
    for (int n = 1; n <= 52; ++n) {
        ++k;
        if (k == 14) k = 1;
        CardValues[n] = k <= 10 ? k : 10;
    }
    for (int n = 1; n <= 52; ++n) {
        const int face = (n - 1) % 13 + 1;
        CardRanks[n] = face == 1 ? 14 : face;
    }
}

// Each row of card slots keeps its first card's height; the player's cards step 300 to the
// right, the split hands' 200; the dealer's hole card lies left of the up-card and his
// third card right of it. The hand texts line up with the first cards.
void TableWindow::layOutCardSlots() {
    l2.setLeft(dplaycard(1).left());
    L1.setLeft(l2.left());
    s1(1).setTop(playcard(1).top());
    s2(1).setTop(s1(1).top());
    l3.setLeft(s2(1).left());
    for (int i = 2; i <= MaxCards; ++i) {
        const bool closeUp = i > 9;
        const float step = closeUp ? CompressedStep : 300;
        const float splitStep = closeUp ? CompressedSplitStep : 200;
        s1(i).setLeft(s1(i - 1).left() + splitStep);
        s2(i).setLeft(s2(i - 1).left() + splitStep);
        if (i == 2)
            dplaycard(i).setLeft(dplaycard(1).left() - 300);
        else if (i == 3)
            dplaycard(i).setLeft(dplaycard(2).left() + 600);
        else
            dplaycard(i).setLeft(dplaycard(i - 1).left() + step);
        playcard(i).setTop(playcard(i - 1).top());
        dplaycard(i).setTop(dplaycard(i - 1).top());
        s1(i).setTop(s1(i - 1).top());
        s2(i).setTop(s2(i - 1).top());
        playcard(i).setLeft(playcard(i - 1).left() + step);
    }
}

// The odds panel starts without figures: its eight value and bar labels hidden.
void TableWindow::hideOddsFigures() {
    for (forms::Element* e : {&panel.lstandper, &panel.lhitper, &panel.lspliper, &panel.Ldoubper,
                              &panel.lstandpe, &panel.lhitpe, &panel.Lsplipe, &panel.ldoubpe})
        e->setVisible(false);
}

// The four settings, read in the order they are saved. An empty value takes the default;
// any other is compared exactly, so "Slow" counts as fast and "On" as off.
void TableWindow::readSettings() {
    auto setting = [this](const char* key, const char* fallback) {
        std::string value = GetIniValue(SettingsFile, SettingsSection, key);
        return value.empty() ? std::string(fallback) : value;
    };

    if (setting("Speed", "slow") == "slow") {
        Tp1.setInterval(NormalDealInterval);
        timdeal.setInterval(NormalDealInterval);
        mnudealnorm.setChecked(true);
        mnudealfast.setChecked(false);
    } else {
        mnudealnorm.setChecked(false);
        mnudealfast.setChecked(true);
        timdeal.setInterval(StartFastDealInterval);
        Tp1.setInterval(StartFastDealInterval);
    }

    if (setting("odds", "on") == "on") {
        mnuodds.setCaption("Hide Odds");
    } else {
        cover.Picture1.setVisible(true);
        mnuodds.setCaption("Show Odds");
    }

    if (setting("sound", "on") == "on") {
        mnuso.setCaption("Sound Off");
        SoundOff = 0;
    } else {
        mnuso.setCaption("Sound On");
        SoundOff = 1;
    }

    // A text that is not a number, or a number too large to hold, gives 0.
    StartingAmount = forms::val(setting("pot", "1000"));
    ltot.setCaption(forms::text(StartingAmount));
}

void TableWindow::Form_Unload(int& cancel) {
    (void)cancel;  // the table always closes
    saveSettings();

    // No window of the program stays open.
    if (about_) about_->unload();
}

void TableWindow::saveSettings() {
    SetIniValue(SettingsSection, "Speed", mnudealnorm.checked() ? "slow" : "fast", SettingsFile);
    SetIniValue(SettingsSection, "odds", mnuodds.caption() == "Hide Odds" ? "on" : "off",
                SettingsFile);
    SetIniValue(SettingsSection, "sound", mnuso.caption() != "Sound On" ? "on" : "off",
                SettingsFile);
    SetIniValue(SettingsSection, "pot", forms::str(StartingAmount), SettingsFile);
}

}  // namespace table
