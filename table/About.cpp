// The about box.

#include "table/TableWindow.h"

namespace table {

Brenn::Brenn(std::function<void()> onUnloaded)
    : forms::Window("Brenn"),
      Image1(*this, forms::ElementKind::Image, "Image1"),
      Label1(*this, forms::ElementKind::Label, "Label1"),
      Line1(*this, forms::ElementKind::Line, "Line1"),
      Line2(*this, forms::ElementKind::Line, "Line2"),
      Command1(*this, forms::ElementKind::Button, "Command1"),
      onUnloaded_(std::move(onUnloaded)) {}

void Brenn::Form_Load() {}
void Brenn::Form_Unload(int& cancel) { (void)cancel; }
void Brenn::Form_Deactivate() {}
void Brenn::Form_LostFocus() {}
void Brenn::Command1_Click() {}

}  // namespace table
