// Bets, chips and the bankroll.

#include "table/TableWindow.h"

namespace table {

void TableWindow::Image4_MouseDown(int, int, int, float, float) {}
void TableWindow::Image4_MouseUp(int, int, int, float, float) {}
void TableWindow::Text1_Change() {}
void TableWindow::text1_DblClick() {}
void TableWindow::ltot_Change() {}

}  // namespace table
