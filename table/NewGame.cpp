// New Game.

#include "table/TableWindow.h"

namespace table {

void TableWindow::mnung_Click() {}
void TableWindow::Command7_Click() {}
void TableWindow::WaitHalfSecond() {}

}  // namespace table
