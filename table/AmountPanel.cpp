// The starting-amount panel: the bankroll that the next New Game gives. While it is open
// it hides the dealer's cards and the message box; closing it shows them again.

#include "forms/Conversions.h"
#include "table/TableWindow.h"

namespace table {

namespace {
const char* const EntryPrompt = "Enter new starting amount";
const char* const AcceptedPrompt =
    "The new starting starting amount will take effect when you start a new game";
}  // namespace

void TableWindow::ShowStartingAmountPanel() {
    Text2.setCaption(forms::text(StartingAmount));
    PanelAmount = StartingAmount;
    // Opened again while it is open: what the first opening hid is still hidden and stays
    // on record, so that closing gives it back.
    if (!Picture4.visible()) {
        DealBoxWasShown = 0;
        HiddenDealerCards = 0;
    }
    // Hide the dealer's cards, from the first up to the first empty slot.
    for (int i = 1; i <= MaxCards; ++i) {
        if (!dplaycard(i).visible()) break;
        dplaycard(i).setVisible(false);
        if (i > HiddenDealerCards) HiddenDealerCards = i;
    }
    if (dbox.visible()) {
        dbox.setVisible(false);
        DealBoxWasShown = 1;
    }
    Picture4.setVisible(true);
    // In its entry state the amount box takes the keyboard, ready to be typed over.
    if (Text2.enabled()) Text2.setFocus();
}

void TableWindow::Label6_Click() {
    ShowStartingAmountPanel();
}

void TableWindow::ltot_DblClick() {
    ShowStartingAmountPanel();
}

void TableWindow::mnupot_Click() {
    ShowStartingAmountPanel();
}

void TableWindow::Command18_Click() {
    // Shows the hole card and every dealer card that is stored.
    if (HiddenDealerCards > 0) {
        dplaycard(2).setVisible(true);
        for (int i = 1; i <= MaxCards; ++i) {
            if (i == 2) continue;
            if (DealerHand[i] < 1) break;
            dplaycard(i).setVisible(true);
        }
    }
    if (DealBoxWasShown == 1) dbox.setVisible(true);
    Picture4.setVisible(false);
    Text2.setEnabled(true);
    Label18.setCaption(EntryPrompt);
}

void TableWindow::cpotok_Click() {
    auto showHiddenCards = [this] {
        for (int i = 1; i <= HiddenDealerCards && i <= MaxCards; ++i) dplaycard(i).setVisible(true);
    };
    if (Text2.enabled()) {
        // A text that is not a number, or one too large to hold, reads 0.
        const double amount = forms::val(Text2.caption());
        if (amount == PanelAmount) {
            Picture4.setVisible(false);
            if (DealBoxWasShown == 1) dbox.setVisible(true);
            showHiddenCards();
        } else {
            StartingAmount = amount;
            Label18.setCaption(AcceptedPrompt);
            Text2.setEnabled(false);
        }
    } else {
        Picture4.setVisible(false);
        showHiddenCards();
        if (DealBoxWasShown == 1) dbox.setVisible(true);
        Text2.setEnabled(true);
        Label18.setCaption(EntryPrompt);
    }
}

}  // namespace table
