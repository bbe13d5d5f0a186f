// Hit: one more card for the hand in play.

#include "table/TableWindow.h"

namespace table {

void TableWindow::Command1_Click() {}

}  // namespace table
