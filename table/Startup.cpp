// Start-up and shut-down of the table window.

#include "table/TableWindow.h"

namespace table {

void TableWindow::Form_Load() {}

void TableWindow::Form_Unload(int& cancel) { (void)cancel; }

}  // namespace table
