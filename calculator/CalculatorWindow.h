#pragma once

// The window of oddsdesk: two rows of card keys feeding the odds panel, Clear, the
// two blinking prompt lamps, the button that grows and shrinks the window, help, the web
// link and "Play Game".

#include <string>

#include "forms/Window.h"
#include "odds/OddsPanel.h"
#include "platform/Services.h"

namespace calculator {

// The outside world as the calculator sees it. The window keeps references only; main
// passes the real services, tests pass fakes.
struct Services {
    platform::SingleInstance& instance;
    platform::ProgramControl& program;
    platform::Launcher& launcher;
    platform::KeySender& keys;
};

// The web site's host shown in Label8 and opened by it; a build setting.
const std::string& siteHost();

class CalculatorWindow : public forms::Window {
public:
    static constexpr float CompactHeight = 2925;
    static constexpr float ExpandedHeight = 5115;

    explicit CalculatorWindow(Services services);

    // The odds engine. Constructed first, so its elements lie below the window's own.
    odds::OddsPanel panel;

    forms::ControlArray Command1;  // 1..10: the dealer's up-card keys, Index = card value
    forms::ControlArray Command3;  // 1..10: the player's card keys
    forms::Element Image1;         // the lamp beside the dealer's row
    forms::Element Image2;         // the lamp beside the player's row
    forms::Element Command2;       // "Clear"
    forms::Element cmdMore;        // "More..." / "Hide...": its caption is the size state
    forms::ControlArray Label1;    // 0: "Dealer", 1: "Player"
    forms::Element Line4, Line5;   // separate the action rows from the dealer's chances
    forms::Element Image3;         // the help picture
    forms::Element Label10;        // "Help", under Image3; clicking it does nothing
    forms::Element Label8;         // the web link
    forms::Element Command6;       // "Play Game"
    forms::Element Timer1;         // blinks Image1
    forms::Element Timer2;         // blinks Image2

    void Form_Load() override;
    void Command1_Click(int Index);
    void Command3_Click(int Index);
    void Command2_Click();
    void Command6_Click();
    void Image3_Click();
    void Label8_Click();
    void cmdMore_Click();
    void Timer1_Timer();
    void Timer2_Timer();

    // The three prompt steps, run at fixed points of the key handlers and the panel.
    void dealerPromptStep();
    void playerPromptStep();
    void clearPromptStep();

    // Where the web link leads: the site's home page.
    static std::string siteUrl();

private:
    Services services_;
};

}  // namespace calculator
