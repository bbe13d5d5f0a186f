// The menu commands and help.

#include "table/TableWindow.h"

namespace table {

void TableWindow::mnuOnlineCalculator_Click() {}
void TableWindow::mnuexit_Click() {}
void TableWindow::mnudealfast_Click() {}
void TableWindow::mnudealnorm_Click() {}
void TableWindow::mnuso_Click() {}
void TableWindow::mnuodds_Click() { cover.mnuodds_Click(); }
void TableWindow::mnuplayonline_Click() {}
void TableWindow::mnuSearchHelp_Click() {}
void TableWindow::mnuabout_Click() {}
void TableWindow::menuws_Click() {}
void TableWindow::aboutUnloaded() {}

}  // namespace table
