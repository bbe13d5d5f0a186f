// The table window's elements in their design state, the handlers bound to them, and the
// draw from the endless deck.

#include <algorithm>

#include "forms/Conversions.h"
#include "table/TableWindow.h"

namespace table {

using forms::Alignment;
using forms::ElementKind;
using forms::rgb;

namespace {
constexpr auto Menu = ElementKind::Menu;
constexpr auto Label = ElementKind::Label;
constexpr auto Image = ElementKind::Image;
constexpr auto PictureButton = ElementKind::PictureButton;
constexpr auto Button = ElementKind::Button;
constexpr auto PictureBox = ElementKind::PictureBox;

constexpr forms::Colour White = rgb(255, 255, 255);
constexpr forms::Colour Ink = rgb(40, 30, 20);
const char* const TableFont = "Comic Sans MS";
}  // namespace

TableWindow::TableWindow(TableServices services)
    : forms::Window("Form1"),
      mnufile(*this, Menu, "mnufile"),
      mnuOnlineCalculator(*this, Menu, "mnuOnlineCalculator"),
      mnuexit(*this, Menu, "mnuexit"),
      mnuoption(*this, Menu, "mnuoption"),
      mnuds(*this, Menu, "mnuds"),
      mnudealfast(*this, Menu, "mnudealfast"),
      mnudealnorm(*this, Menu, "mnudealnorm"),
      mnuso(*this, Menu, "mnuso"),
      mnuodds(*this, Menu, "mnuodds"),
      mnupot(*this, Menu, "mnupot"),
      mnung(*this, Menu, "mnung"),
      mnuplayonline(*this, Menu, "mnuplayonline"),
      mnuhelp(*this, Menu, "mnuhelp"),
      mnuSearchHelp(*this, Menu, "mnuSearchHelp"),
      mnuabout(*this, Menu, "mnuabout"),
      menuws(*this, Menu, "menuws"),
      lwin(*this, Label, "lwin"),
      lloose(*this, Label, "lloose"),
      lpush(*this, Label, "lpush"),
      lbust(*this, Label, "lbust"),
      lmax(*this, Label, "lmax"),
      lmin(*this, Label, "lmin"),
      Label1(*this, Label, "Label1", 0, 0),
      Label2(*this, Label, "Label2"),
      Label4(*this, Label, "Label4"),
      Image1(*this, Image, "Image1", 0, 52),
      playcard(*this, Image, "playcard", 0, MaxCards),
      dplaycard(*this, Image, "dplaycard", 1, MaxCards),
      s1(*this, Image, "s1", 1, MaxCards),
      s2(*this, Image, "s2", 1, MaxCards),
      L1(*this, Label, "L1"),
      l2(*this, Label, "l2"),
      l3(*this, Label, "l3"),
      arrow(*this, ElementKind::Shape, "arrow"),
      Label6(*this, Label, "Label6"),
      ltot(*this, Label, "ltot"),
      Label5(*this, Label, "Label5"),
      Text1(*this, Label, "Text1"),
      image4(*this, Label, "image4", 0, 2),
      Command3(*this, PictureButton, "Command3"),
      Command1(*this, PictureButton, "Command1"),
      Command5(*this, PictureButton, "Command5"),
      Command8(*this, PictureButton, "Command8"),
      cmdsplit(*this, PictureButton, "cmdsplit"),
      panel(*this, odds::Program::CardTable),
      Picture3(*this, PictureBox, "Picture3"),
      cover(*this, mnuodds),
      f1(*this, ElementKind::Frame, "f1"),
      insurance(*this, PictureButton, "insurance"),
      insuranceno(*this, PictureButton, "insuranceno"),
      dbox(*this, PictureBox, "dbox"),
      lresult(*this, Label, "lresult"),
      Picture4(*this, PictureBox, "Picture4"),
      Label18(*this, Label, "Label18"),
      Text2(*this, ElementKind::TextBox, "Text2"),
      cpotok(*this, PictureButton, "cpotok"),
      Command18(*this, PictureButton, "Command18"),
      Command2(*this, Button, "Command2"),
      Command4(*this, Button, "Command4"),
      Command7(*this, Button, "Command7"),
      Command12(*this, Button, "Command12"),
      Tp1(*this, ElementKind::Timer, "Tp1"),
      timdeal(*this, ElementKind::Timer, "timdeal"),
      services_(std::move(services)) {
    setCaption("Brenn Blackjack Game 3.2");
    setClientSize(9600, 7200);
    setPicture("table-felt");
    setIcon("icon");
    setFont("MS Sans Serif", 8.25);
    setBackColor(rgb(0, 96, 40));
    setHelpFile("tablehelp1");
    panel.setTableGame(&gameView_);
    declareMenus();
    declareTable();
    bindHandlers();
}

TableWindow::~TableWindow() = default;

void TableWindow::declareMenus() {
    struct Item {
        forms::Element& item;
        forms::Element* parent;
        const char* caption;
        char mnemonic;
    };
    const Item items[] = {
        {mnufile, nullptr, "File", 'F'},
        {mnuOnlineCalculator, &mnufile, "Online Calculator", 'C'},
        {mnuexit, &mnufile, "Exit", 'x'},
        {mnuoption, nullptr, "Options", 'O'},
        {mnuds, &mnuoption, "Dealer Speed", 'D'},
        {mnudealfast, &mnuds, "Fast (Sound off)", 'F'},
        {mnudealnorm, &mnuds, "Normal", 'N'},
        {mnuso, &mnuoption, "Sound Off", 'S'},
        {mnuodds, &mnuoption, "Hide Odds", 'O'},
        {mnupot, &mnuoption, "Change Starting Amount", 'A'},
        {mnung, nullptr, "New Game", 'N'},
        {mnuplayonline, nullptr, "Play Online", 'P'},
        {mnuhelp, nullptr, "Help", 'H'},
        {mnuSearchHelp, &mnuhelp, "Search Help", 'S'},
        {mnuabout, &mnuhelp, "About", 'A'},
        {menuws, &mnuhelp, "Visit Our Web Site", 'W'},
    };
    for (const Item& i : items) {
        i.item.setContainer(i.parent);
        i.item.setCaption(i.caption);
        i.item.setMnemonic(i.mnemonic);
    }
    mnudealnorm.setChecked(true);
    // F1 opens the help in the window as "Search Help" does: the menu shows the key.
    mnuSearchHelp.setShortcutKey("F1");
}

void TableWindow::declareTable() {
    // Result counters: never shown, kept left of the visible area.
    forms::Element* counters[] = {&lwin, &lloose,    &lpush,  &lbust, &lmax,
                                  &lmin, &Label1(0), &Label2, &Label4};
    for (int i = 0; i < 9; ++i) {
        counters[i]->setGeometry(-2000, 200.0 * i, 900, 195);
        counters[i]->setVisible(false);
    }
    Label1(0).setCaption("WIn");
    Label2.setCaption("LOOse");
    Label4.setCaption("deal bus");

    // Card faces and the card back: holders of pictures only.
    for (int n = 0; n <= 52; ++n) {
        Image1(n).setGeometry(0, 0, 1065, 1440);
        Image1(n).setVisible(false);
        if (n > 0) Image1(n).setPicture("card-" + std::to_string(n));
    }
    playcard(0).setGeometry(0, 0, 1065, 1440);
    playcard(0).setPicture("card-back");
    playcard(0).setVisible(false);

    // Card slots; the first card of each row is placed here, the load lays out the rest.
    for (int i = 1; i <= MaxCards; ++i) {
        for (forms::ControlArray* row : {&playcard, &dplaycard, &s1, &s2}) {
            forms::Element& slot = (*row)(i);
            slot.setGeometry(0, 0, 1065, 1440);
            slot.setVisible(false);
        }
    }
    // The hole card lies left of the up-card and under it, so the up-card shows whole.
    stackAbove(dplaycard(1), dplaycard(2));
    dplaycard(1).setLeft(3930);
    dplaycard(1).setTop(990);
    playcard(1).setLeft(3120);
    playcard(1).setTop(4260);
    s1(1).setLeft(2040);
    s2(1).setLeft(4170);

    // Hand lines.
    for (forms::Element* line : {&L1, &l2, &l3}) {
        line->setFont(TableFont, 9.75, true);
        line->setForeColor(White);
    }
    l2.setGeometry(3930, 2490, 2400, 285);
    L1.setGeometry(3930, 3930, 2400, 285);
    l3.setGeometry(4170, 3930, 2400, 285);

    arrow.setGeometry(2040 + 382, 5760, 300, 240);
    arrow.setBackColor(rgb(255, 215, 0));
    arrow.setVisible(false);
    arrow.setAccessibleName("Active split hand");

    // Bankroll and bet, on one line under the chips.
    for (forms::Element* l : {&Label6, &ltot, &Label5, &Text1}) {
        l->setFont(TableFont, 9.75, true);
        l->setForeColor(White);
    }
    Label6.setGeometry(6600, 6780, 600, 255);
    Label6.setCaption("Total");
    ltot.setGeometry(7200, 6780, 960, 255);
    ltot.setCaption("0");
    ltot.setAccessibleName("Chips");
    Label5.setGeometry(8190, 6780, 450, 255);
    Label5.setCaption("Bet");
    Text1.setGeometry(8640, 6780, 900, 255);
    Text1.setCaption("0");
    Text1.setAccessibleName("Bet");

    const char* chipNames[] = {"Chip 1", "Chip 5", "Chip 25"};
    for (int i = 0; i <= 2; ++i) {
        image4(i).setGeometry(6600 + 840 * i, 5970, 735, 705);
        image4(i).setAccessibleName(chipNames[i]);
        image4(i).setToolTip("Left click adds, right click takes off");
    }

    // The play buttons, left to right along the table's edge.
    struct Pb {
        forms::Element& button;
        const char* picture;
        const char* name;
    };
    const Pb buttons[] = {{Command3, "button-deal", "Deal"},
                          {Command1, "button-hit", "Hit"},
                          {Command5, "button-stand", "Stand"},
                          {Command8, "button-double", "Double"},
                          {cmdsplit, "button-split", "Split"}};
    for (int i = 0; i < 5; ++i) {
        buttons[i].button.setGeometry(240 + 1170.0 * i, 6240, 1095, 570);
        buttons[i].button.setPicture(buttons[i].picture);
        buttons[i].button.setAccessibleName(buttons[i].name);
        buttons[i].button.setEnabled(i == 0);
    }

    Picture3.setGeometry(6180, 2430, 3315, 1440);
    Picture3.setPicture("odds-rows");

    // Insurance frame: the load moves it to the left edge.
    f1.setGeometry(270, 2520, 2400, 1230);
    f1.setPicture("insurance-frame");
    f1.setVisible(false);
    f1.setAccessibleName("Insurance");
    insurance.setContainer(&f1);
    insuranceno.setContainer(&f1);
    insurance.setGeometry(150, 630, 975, 465);
    insuranceno.setGeometry(1275, 630, 975, 465);
    insurance.setPicture("button-yes");
    insuranceno.setPicture("button-no");
    insurance.setAccessibleName("Take insurance");
    insuranceno.setAccessibleName("Decline insurance");
    insurance.setEnabled(false);
    insuranceno.setEnabled(false);

    // The speech bubble and its message line.
    dbox.setGeometry(270, 150, 3345, 2100);
    dbox.setPicture("speech-bubble");
    lresult.setContainer(&dbox);
    // The line fills the bubble's body within its rounded corners, its middle on the body's.
    lresult.setGeometry(225, 195, 2850, 1320);
    lresult.setFont(TableFont, 12);
    lresult.setForeColor(Ink);
    lresult.setAlignment(Alignment::Center);
    lresult.setTextLayout(forms::TextLayout::Message);
    lresult.setCaption("Welcome to the table, please place your bets..");
    lresult.setAccessibleName("Message");

    // The starting-amount panel.
    Picture4.setGeometry(2580, 610, 4125, 1680);
    Picture4.setPicture("amount-panel");
    Picture4.setVisible(false);
    // Open, the panel keeps Tab among its own controls, away from the table behind it.
    Picture4.setHoldsFocus(true);
    for (forms::Element* e : {&Label18, &Text2, &cpotok, &Command18}) e->setContainer(&Picture4);
    Label18.setGeometry(240, 180, 3645, 480);
    Label18.setFont(TableFont, 9.75);
    Label18.setForeColor(White);
    Label18.setCaption("Enter new starting amount");
    Text2.setGeometry(240, 900, 2340, 375);
    Text2.setFont("MS Sans Serif", 9.75);
    Text2.setAccessibleName("Starting amount");
    cpotok.setGeometry(2760, 720, 1125, 405);
    cpotok.setPicture("button-ok");
    cpotok.setAccessibleName("OK");
    Command18.setGeometry(2760, 1170, 1125, 405);
    Command18.setPicture("button-close");
    Command18.setAccessibleName("Close");
    // While the panel is open, Enter is its OK and Escape closes it.
    setDefaultButton(&cpotok);
    setCancelButton(&Command18);

    for (forms::Element* b : {&Command2, &Command4, &Command7, &Command12}) b->setVisible(false);
    Command7.setCaption("New Game");
    Command12.setCaption("Clear");

    Tp1.setInterval(NormalDealInterval);
    timdeal.setInterval(NormalDealInterval);
}

void TableWindow::bindHandlers() {
    mnuOnlineCalculator.onClick = [this] { mnuOnlineCalculator_Click(); };
    mnuexit.onClick = [this] { mnuexit_Click(); };
    mnudealfast.onClick = [this] { mnudealfast_Click(); };
    mnudealnorm.onClick = [this] { mnudealnorm_Click(); };
    mnuso.onClick = [this] { mnuso_Click(); };
    mnuodds.onClick = [this] { mnuodds_Click(); };
    mnupot.onClick = [this] { mnupot_Click(); };
    mnung.onClick = [this] { mnung_Click(); };
    mnuplayonline.onClick = [this] { mnuplayonline_Click(); };
    mnuSearchHelp.onClick = [this] { mnuSearchHelp_Click(); };
    mnuabout.onClick = [this] { mnuabout_Click(); };
    menuws.onClick = [this] { menuws_Click(); };

    for (int i = 0; i <= 2; ++i) {
        image4(i).onMouseDown = [this, i](int b, int s, float x, float y) {
            Image4_MouseDown(i, b, s, x, y);
        };
        image4(i).onMouseUp = [this, i](int b, int s, float x, float y) {
            Image4_MouseUp(i, b, s, x, y);
        };
    }
    Text1.onChange = [this] { Text1_Change(); };
    Text1.onDblClick = [this] { text1_DblClick(); };
    ltot.onChange = [this] { ltot_Change(); };
    ltot.onDblClick = [this] { ltot_DblClick(); };
    Label6.onClick = [this] { Label6_Click(); };
    lresult.onChange = [this] { lresult_Change(); };

    Command3.onClick = [this] { Command3_Click(); };
    Command1.onClick = [this] { Command1_Click(); };
    Command5.onClick = [this] { Command5_Click(); };
    Command8.onClick = [this] { Command8_Click(); };
    cmdsplit.onClick = [this] { cmdsplit_Click(); };
    insurance.onClick = [this] { insurance_Click(); };
    insuranceno.onClick = [this] { insuranceno_Click(); };
    cpotok.onClick = [this] { cpotok_Click(); };
    Command18.onClick = [this] { Command18_Click(); };

    Command2.onClick = [this] { Command2_Click(); };
    Command4.onClick = [this] { Command4_Click(); };
    Command7.onClick = [this] { Command7_Click(); };
    Command12.onClick = [this] { panel.Command12_Click(); };

    Tp1.onTimer = [this] { Tp1_Timer(); };
    timdeal.onTimer = [this] { timdeal_Timer(); };
}

int TableWindow::DrawCard() {
    // The generator is seeded once and every value is independent of the earlier ones, so
    // the per-draw reseed from the clock is not needed. Int(r * 52) + 1, kept within 1..52
    // even for the largest value below 1.
    const double r = services_.random.nextUnit();
    const int number = static_cast<int>(forms::intPart(r * 52)) + 1;
    return std::clamp(number, 1, 52);
}

}  // namespace table
