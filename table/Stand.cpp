// Stand: the dealer's draw, the settlement and the reveal.

#include "table/TableWindow.h"

namespace table {

void TableWindow::Command5_Click() {}

void TableWindow::timdeal_Timer() {}

}  // namespace table
