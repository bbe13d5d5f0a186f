// The starting-amount panel.

#include "table/TableWindow.h"

namespace table {

void TableWindow::ShowStartingAmountPanel() {}
void TableWindow::Label6_Click() {}
void TableWindow::ltot_DblClick() {}
void TableWindow::mnupot_Click() {}
void TableWindow::Command18_Click() {}
void TableWindow::cpotok_Click() {}

}  // namespace table
