// Insurance against a dealer blackjack.

#include "table/TableWindow.h"

namespace table {

void TableWindow::insurance_Click() {}

void TableWindow::insuranceno_Click() {}

}  // namespace table
