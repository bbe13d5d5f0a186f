#include "calculator/CalculatorWindow.h"

#include <utility>

#ifndef BLACKJACK_SITE_HOST
#define BLACKJACK_SITE_HOST "www.example.com"
#endif

namespace calculator {

using forms::ElementKind;
using forms::rgb;

namespace {

constexpr forms::Colour White = rgb(255, 255, 255);
constexpr forms::Colour DarkGrey = rgb(64, 64, 64);
constexpr forms::Colour PaleGreen = rgb(192, 255, 192);
constexpr const char* KeyFont = "MS Sans Serif";
constexpr const char* LabelFont = "Comic Sans MS";
constexpr int MaxResizeSteps = 10000;
constexpr float ResizeStep = 100;

std::string keyCaption(int value) {
    return value == 1 ? "A" : std::to_string(value);
}

std::string keyName(const char* row, int value) {
    std::string name = row;
    if (value == 1) {
        name += " ace";
    } else {
        name += ' ';
        name += std::to_string(value);
    }
    return name;
}

void placeKeyRow(forms::ControlArray& keys, float top, const char* row) {
    for (int k = keys.lower(); k <= keys.upper(); ++k) {
        forms::Element& key = keys(k);
        key.setCaption(keyCaption(k));
        key.setGeometry(720 + 270 * (k - 1), top, k == 10 ? 345 : 255, 250);
        key.setFont(KeyFont, 8.25);
        key.setAccessibleName(keyName(row, k));
    }
}

void styleLabel(forms::Element& label, std::string caption, double left, double top, double width,
                double height) {
    label.setCaption(std::move(caption));
    label.setGeometry(left, top, width, height);
    label.setForeColor(White);
    label.setBackColor(DarkGrey);
}

void styleButton(forms::Element& button, std::string caption, double left, double top, double width,
                 double height) {
    button.setCaption(std::move(caption));
    button.setGeometry(left, top, width, height);
    button.setFont(KeyFont, 8.25);
}

}  // namespace

const std::string& siteHost() {
    static const std::string host = BLACKJACK_SITE_HOST;
    return host;
}

std::string CalculatorWindow::siteUrl() {
    return "http://" + siteHost() + "/";
}

CalculatorWindow::CalculatorWindow(Services services)
    : forms::Window("Form1"),
      panel(*this, odds::Program::OddsDesk),
      Command1(*this, ElementKind::Button, "Command1", 1, 10),
      Command3(*this, ElementKind::Button, "Command3", 1, 10),
      Image1(*this, ElementKind::Image, "Image1"),
      Image2(*this, ElementKind::Image, "Image2"),
      Command2(*this, ElementKind::Button, "Command2"),
      cmdMore(*this, ElementKind::Button, "cmdMore"),
      Label1(*this, ElementKind::Label, "Label1", 0, 1),
      Line4(*this, ElementKind::Line, "Line4"),
      Line5(*this, ElementKind::Line, "Line5"),
      Image3(*this, ElementKind::Image, "Image3"),
      Label10(*this, ElementKind::Label, "Label10"),
      Label8(*this, ElementKind::Label, "Label8"),
      Command6(*this, ElementKind::Button, "Command6"),
      Timer1(*this, ElementKind::Timer, "Timer1"),
      Timer2(*this, ElementKind::Timer, "Timer2"),
      services_(services) {
    setCaption("Brenn Blackjack Calculator 3.2");
    setBackColor(DarkGrey);
    setFont(LabelFont, 8.25);
    setClientSize(3675, 4755);
    setHelpFile("tablehelp1");
    setIcon("icon-calculator");

    // The two rows of card keys: the dealer's up-card on top, the player's cards below.
    placeKeyRow(Command1, 90, "Dealer");
    placeKeyRow(Command3, 720, "Player");
    for (int k = 1; k <= 10; ++k) {
        Command1(k).onClick = [this, k] { Command1_Click(k); };
        Command3(k).onClick = [this, k] { Command3_Click(k); };
    }

    // The prompt lamps: the dealer's lit at start, the player's hidden.
    Image1.setGeometry(420, 120, 240, 195);
    Image1.setPicture("lamp");
    Image1.setAccessibleName("Dealer prompt");
    Image2.setGeometry(420, 750, 240, 195);
    Image2.setPicture("lamp");
    Image2.setAccessibleName("Player prompt");
    Image2.setVisible(false);

    // Mnemonics leave the captions exact: the logic compares them. "e" is in both
    // captions of cmdMore.
    styleButton(Command2, "Clear", 1980, 420, 690, 255);
    Command2.setMnemonic('C');
    Command2.onClick = [this] { Command2_Click(); };
    styleButton(cmdMore, "More...", 2790, 420, 690, 255);
    cmdMore.setMnemonic('e');
    cmdMore.onClick = [this] { cmdMore_Click(); };

    styleLabel(Label1(0), "Dealer", 120, 360, 555, 225);
    Label1(0).setFont(LabelFont, 9);
    styleLabel(Label1(1), "Player", 60, 990, 555, 225);
    Label1(1).setFont(LabelFont, 9);

    Line4.setLine(0, 2550, 3690, 2550);
    Line4.setForeColor(PaleGreen);
    Line5.setLine(0, 2610, 3690, 2610);
    Line5.setForeColor(PaleGreen);

    // Help: the picture reacts to a click, its caption does not.
    Image3.setGeometry(3060, 2730, 480, 480);
    Image3.setPicture("icon");
    Image3.setAccessibleName("Help");
    Image3.onClick = [this] { Image3_Click(); };
    styleLabel(Label10, "Help", 3105, 3150, 450, 315);
    Label10.setFont(LabelFont, 8.25, true);

    styleLabel(Label8, "visit us at " + siteHost(), 210, 4140, 3240, 255);
    Label8.setAccessibleName("Visit the web site");
    Label8.onClick = [this] { Label8_Click(); };

    styleButton(Command6, "Play Game", 1560, 4440, 1140, 255);
    Command6.setMnemonic('P');
    Command6.onClick = [this] { Command6_Click(); };

    // The dealer's lamp blinks from the start; the player's waits for a dealer card.
    Timer1.setInterval(500);
    Timer1.setEnabled(true);
    Timer1.onTimer = [this] { Timer1_Timer(); };
    Timer2.setInterval(500);
    Timer2.setEnabled(false);
    Timer2.onTimer = [this] { Timer2_Timer(); };

    panel.playerPromptStep = [this] { playerPromptStep(); };
}

void CalculatorWindow::Form_Load() {
    // Only one calculator runs: a second copy brings the first to the front and ends
    // before its window ever opens. The program's start-up sequence hands a second copy
    // over before this window is even built, so in the program this branch never runs; it
    // stays as the window's own guard, for any start that skips that sequence.
    if (services_.instance.previousInstance()) {
        setCaption("...duplicate instance...");
        services_.instance.activatePrevious();
        services_.program.endNow();
        return;
    }

    // Near the top-left corner, above other windows, without taking the focus from the
    // application the user is working in. 195 pixels is the compact height.
    frame().place(5, 5, 250, 195, true, true);

    panel.lstandper.setVisible(false);
    panel.lhitper.setVisible(false);
    panel.lspliper.setVisible(false);
    panel.Ldoubper.setVisible(false);
    panel.lstandpe.setVisible(false);
    panel.lhitpe.setVisible(false);
    panel.Lsplipe.setVisible(false);
    panel.ldoubpe.setVisible(false);

    panel.fillTables();
}

void CalculatorWindow::Command1_Click(int Index) {
    dealerPromptStep();
    panel.pp_Click(Index);
}

void CalculatorWindow::Command3_Click(int Index) {
    panel.dd_Click(Index);
}

// Clear
void CalculatorWindow::Command2_Click() {
    clearPromptStep();
    panel.Command12_Click();
}

// Play Game: start the table game and close the calculator, whether or not it started.
void CalculatorWindow::Command6_Click() {
    services_.launcher.startProgram("cardtable");
    unload();
}

// Help: F1 on this window opens the help file at the window's context.
void CalculatorWindow::Image3_Click() {
    setHelpContext(405);
    services_.keys.sendKeys("{f1}");
}

void CalculatorWindow::Label8_Click() {
    services_.launcher.openUrl(siteUrl());
}

// Grows the window to show the dealer's chances, help, the link and "Play Game", or
// shrinks it back, in steps of 100 twips until the window reports the new height. A
// window that cannot reach it (a small screen) stops after a bounded number of steps.
void CalculatorWindow::cmdMore_Click() {
    forms::WindowFrame& win = frame();
    if (cmdMore.caption() == "More...") {
        cmdMore.setCaption("Hide...");
        for (int step = 0; step < MaxResizeSteps; ++step) {
            win.setOuterHeight(win.outerHeight() + ResizeStep);
            if (win.outerHeight() > ExpandedHeight - 1) break;
        }
        win.setOuterHeight(ExpandedHeight);
    } else {
        cmdMore.setCaption("More...");
        for (int step = 0; step < MaxResizeSteps; ++step) {
            win.setOuterHeight(win.outerHeight() - ResizeStep);
            if (win.outerHeight() < CompactHeight + 1) break;
        }
        win.setOuterHeight(CompactHeight);
    }
}

void CalculatorWindow::Timer1_Timer() {
    Image1.setVisible(!Image1.visible());
}

void CalculatorWindow::Timer2_Timer() {
    Image2.setVisible(!Image2.visible());
}

// The dealer's card is in: its lamp stays lit, and the player's starts blinking until
// the first player card.
void CalculatorWindow::dealerPromptStep() {
    Timer1.setEnabled(false);
    Image1.setVisible(true);
    if (panel.lplay(1).caption().empty()) Timer2.setEnabled(true);
}

// The hand holds a second card: the player's lamp stays lit.
void CalculatorWindow::playerPromptStep() {
    if (panel.lplay(2).caption().empty()) return;
    Timer2.setEnabled(false);
    Image2.setVisible(true);
}

// A new hand: the dealer's lamp blinks again, the player's goes out.
void CalculatorWindow::clearPromptStep() {
    Timer1.setEnabled(true);
    Timer2.setEnabled(false);
    Image2.setVisible(false);
}

}  // namespace calculator
