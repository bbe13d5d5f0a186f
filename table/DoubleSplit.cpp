// Double and Split.

#include "table/TableWindow.h"

namespace table {

void TableWindow::Command8_Click() {}

void TableWindow::cmdsplit_Click() {}

}  // namespace table
