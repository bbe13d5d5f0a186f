// Deal: the bet refusals, the first cards, the dealer's look under the up-card, the deal animation.

#include "table/TableWindow.h"

namespace table {

void TableWindow::Command3_Click() {}

void TableWindow::Command2_Click() {}

void TableWindow::Command4_Click() {}

void TableWindow::PeekForDealerBlackjack() {}

void TableWindow::Tp1_Timer() {}

void TableWindow::lresult_Change() {}

}  // namespace table
