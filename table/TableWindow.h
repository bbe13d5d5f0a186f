#pragma once

// The table window of cardtable: one seat against the dealer, chips, the odds panel beside
// the table, and the menus. Program-wide variables and the window's fields are members
// under the names the game gives them; handlers are members named after their element and
// event, so handlers call one another as plain procedures.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "forms/Window.h"
#include "odds/OddsPanel.h"
#include "platform/Services.h"

namespace table {

// The outside world as the table game sees it. Every member must be set.
struct TableServices {
    platform::Random& random;
    platform::Clock& clock;
    platform::EventPump& events;
    platform::SettingsStore& settings;
    platform::SoundPlayer& sound;
    platform::Launcher& launcher;
    platform::KeySender& keys;
    platform::SingleInstance& instance;
    platform::Dialogs& dialogs;
    platform::ProgramControl& program;
    // Shows a window of the program (the about box) on screen; the window stays owned by
    // the caller. Null in tests.
    std::function<void(forms::Window&)> showWindow;
    // The maker's web site, e.g. "http://www.example.com".
    std::string siteRoot = "http://www.example.com";
};

// Highest card slot of each hand row. A hand from the endless deck can hold up to 21 cards
// (a player hits while at 20 or less, a dealer draws while below 17), so every hand has a
// slot for every card it can get.
constexpr int MaxCards = 21;

// The intervals of the dealing timers Tp1 and timdeal, in milliseconds: normal speed, the
// only one at which the cards and results sound; the menu's fast speed; and the speed the
// table starts with when the setting "Speed" is not "slow".
constexpr int NormalDealInterval = 300;
constexpr int FastDealInterval = 80;
constexpr int StartFastDealInterval = 10;

// The sounds PlayEffect plays, by the kind numbers the game uses.
enum class SoundEffect {
    Chip = 1,
    Shuffle = 2,
    Card = 3,
    Stop = 4,      // stops the sound playing
    AlsoStop = 5,  // the same
};

class Brenn;

class TableWindow : public forms::Window {
public:
    explicit TableWindow(TableServices services);
    ~TableWindow() override;

    // ---- Program-wide variables of the game -------------------------------------------
    int HandInPlay = 0;
    int SplitStage = 0;
    int AcePairSplit = 0;
    int PairDealt = 0;
    int PlayerBlackjack = 0;
    int DealerBlackjack = 0;
    int DealerTenUp = 0;
    int PeekDone = 0;
    int InsuranceOffered = 0;
    int Split1Doubled = 0;
    int Split2Doubled = 0;
    // Stakes of doubled split hands: twice a bet of up to 32767 chips, so 32 bits.
    std::int32_t Split1Bet = 0;
    std::int32_t Split2Bet = 0;
    double CurrentBet = 0;
    // The bet as built with the chips: a 16-bit Integer.
    std::int16_t BetAmount = 0;
    double StartingAmount = 0;
    int SoundOff = 0;
    int DealAnimStep = 0;
    int PlayerTotal = 0;
    int DealerTotal = 0;
    int Split1Total = 0;
    int Split2Total = 0;
    int PlayerFirstCard = 0;
    int PlayerSecondCard = 0;
    int CardValues[53] = {};   // 1..52
    int CardRanks[101] = {};   // 1..52 filled
    int PlayerHand[101] = {};  // 1..100
    int PlayerHandRanks[101] = {};
    int DealerHand[101] = {};
    int SplitHand1[101] = {};
    int SplitHand2[101] = {};

    // ---- Fields of the window --------------------------------------------------------
    int PlayerCardCount = 0;
    int DealerCardCount = 0;
    int Split1CardCount = 0;
    int Split2CardCount = 0;
    std::string PlayerHandText;
    std::string DealerHandText;
    double PanelAmount = 0;
    int DealBoxWasShown = 0;
    int HiddenDealerCards = 0;

    // ---- Menus (in menu-bar order) ----------------------------------------------------
    forms::Element mnufile, mnuOnlineCalculator, mnuexit;
    forms::Element mnuoption, mnuds, mnudealfast, mnudealnorm, mnuso, mnuodds, mnupot;
    forms::Element mnung;
    forms::Element mnuplayonline;
    forms::Element mnuhelp, mnuSearchHelp, mnuabout, menuws;

    // ---- Display elements, bottom to top ----------------------------------------------
    // Hidden result counters, outside the visible area, and their headers. The "PUSH"
    // header shares its name with the odds panel's hidden Label3, which stands for both.
    forms::Element lwin, lloose, lpush, lbust, lmax, lmin;
    forms::ControlArray Label1;  // Label1(0) "WIn"
    forms::Element Label2, Label4;

    forms::ControlArray Image1;     // 0..52: card faces by card number, hidden
    forms::ControlArray playcard;   // 0: the card back (hidden); 1..MaxCards: player's slots
    forms::ControlArray dplaycard;  // 1..MaxCards: dealer's slots (2 = hole card)
    forms::ControlArray s1;         // 1..MaxCards: split hand 1
    forms::ControlArray s2;         // 1..MaxCards: split hand 2

    forms::Element L1, l2, l3;  // hand lines: player / split hand 1, dealer, split hand 2
    forms::Element arrow;       // marks the active split hand

    forms::Element Label6, ltot;   // "Total" and the bankroll
    forms::Element Label5, Text1;  // "Bet" and the bet
    forms::ControlArray image4;    // 0..2: the chips worth 1, 5 and 25

    forms::Element Command3;  // DEAL
    forms::Element Command1;  // HIT
    forms::Element Command5;  // STAND
    forms::Element Command8;  // DOUBLE
    forms::Element cmdsplit;  // SPLIT

    odds::OddsPanel panel;    // the odds panel and the dealer's chances
    forms::Element Picture3;  // the panel's row captions without figures
    odds::OddsCover cover;    // Picture1 and Command17

    forms::Element f1;  // the insurance frame
    forms::Element insurance, insuranceno;

    forms::Element dbox;  // the speech bubble
    forms::Element lresult;

    forms::Element Picture4;  // the starting-amount panel
    forms::Element Label18, Text2, cpotok, Command18;

    // Buttons that are never visible; only their Click procedures are used.
    forms::Element Command2, Command4, Command7, Command12;

    forms::Element Tp1;      // the deal animation
    forms::Element timdeal;  // the dealer's reveal

    // ---- Start-up and shut-down -------------------------------------------------------
    void Form_Load() override;
    void Form_Unload(int& cancel) override;
    // Writes the four settings as the unload does, all four every time; also when the
    // session asks the program to keep its state while it goes on running.
    void saveSettings();

    // ---- Settings file and sounds -----------------------------------------------------
    std::string GetIniValue(const std::string& FileName, const std::string& Section,
                            const std::string& Key);
    void SetIniValue(const std::string& Section, const std::string& Key, const std::string& Value,
                     const std::string& FileName);
    void PlayEffect(int Kind);
    void PlayEffect(SoundEffect Kind) { PlayEffect(static_cast<int>(Kind)); }
    // Whether `timer` deals at normal speed, the only speed with card and result sounds.
    static bool dealingAtNormalSpeed(const forms::Element& timer) {
        return timer.interval() == NormalDealInterval;
    }

    // ---- The endless deck ------------------------------------------------------------
    // One draw: a uniform card number 1..52.
    int DrawCard();

    // ---- Bets, chips and bankroll -----------------------------------------------------
    void Image4_MouseDown(int Index, int Button, int Shift, float X, float Y);
    void Image4_MouseUp(int Index, int Button, int Shift, float X, float Y);
    void Text1_Change();
    void text1_DblClick();
    void ltot_Change();

    // ---- Deal -------------------------------------------------------------------------
    void Command3_Click();
    void Command2_Click();
    void Command4_Click();
    void PeekForDealerBlackjack();
    void Tp1_Timer();
    void lresult_Change();

    // ---- Hit, Stand, Double, Split, Insurance -----------------------------------------
    void Command1_Click();
    void Command5_Click();
    void timdeal_Timer();
    void Command8_Click();
    void cmdsplit_Click();
    void insurance_Click();
    void insuranceno_Click();

    // ---- Starting-amount panel --------------------------------------------------------
    void ShowStartingAmountPanel();
    void Label6_Click();
    void ltot_DblClick();
    void mnupot_Click();
    void Command18_Click();
    void cpotok_Click();

    // ---- Menus, help and the about box ------------------------------------------------
    void mnuOnlineCalculator_Click();
    void mnuexit_Click();
    void mnudealfast_Click();
    void mnudealnorm_Click();
    void mnuso_Click();
    void mnuodds_Click();
    void mnuplayonline_Click();
    void mnuSearchHelp_Click();
    void mnuabout_Click();
    void menuws_Click();
    // The about box while it is loaded, else null.
    Brenn* aboutBox() const { return about_.get(); }

    // ---- New Game ---------------------------------------------------------------------
    void mnung_Click();
    void Command7_Click();
    void WaitHalfSecond();

    TableServices& services() { return services_; }

private:
    // What the odds panel reads of the game.
    class GameView final : public odds::TableGameState {
    public:
        explicit GameView(const TableWindow& w) : w_(w) {}
        int SplitStage() const override { return w_.SplitStage; }
        int AcePairSplit() const override { return w_.AcePairSplit; }
        int PairDealt() const override { return w_.PairDealt; }
        int PlayerHand(int index) const override { return w_.PlayerHand[index]; }

    private:
        const TableWindow& w_;
    };

    void declareMenus();
    void declareTable();
    void bindHandlers();

    // The load's steps, in the order it takes them (Startup.cpp).
    void fillCardArrays();
    void layOutCardSlots();
    void hideOddsFigures();
    void readSettings();

    // Hit's steps, in the order a card is dealt (Hit.cpp).
    bool hitPlainHand();
    void dealToPlainHand(int c);
    void playerBusts();
    void pairOrBlackjack();
    void playerBlackjack();
    bool hitSplitHand1();
    void moveToSplitHand2();
    bool hitSplitHand2();
    bool dealToSplitHand(int stage);
    void standOnTwentyOne();
    int drawInto(int* values, int count);
    void countAceAsEleven(int* values, int count);
    int countHand(int* values, int count);
    // Double's steps, one for each hand it may double (DoubleSplit.cpp).
    void doublePlainHand();
    void doubleSplitHand1();
    void doubleSplitHand2();
    // The about box unloaded itself; it is destroyed once its own handler has returned.
    void aboutUnloaded();

    TableServices services_;
    GameView gameView_{*this};
    std::unique_ptr<Brenn> about_;
    std::unique_ptr<Brenn> retiredAbout_;
};

// The about box: "About Carvex", closed by its button or when the user turns back to the
// table.
class Brenn : public forms::Window {
public:
    explicit Brenn(std::function<void()> onUnloaded);

    forms::Element Image1;
    forms::Element Label1;  // the warning
    forms::Element Line1, Line2;
    forms::Element Command1;

    void Form_Load() override;
    void Form_Unload(int& cancel) override;
    void Form_Deactivate() override;
    void Form_LostFocus() override;
    void Command1_Click();

private:
    std::function<void()> onUnloaded_;
};

}  // namespace table
