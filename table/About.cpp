// The about box: the maker's picture, a warning and an Ok button. It goes away as soon as
// the user turns back to the table.

#include "table/TableWindow.h"

namespace table {

using forms::ElementKind;

Brenn::Brenn(std::function<void()> onUnloaded)
    : forms::Window("Brenn"),
      Image1(*this, ElementKind::Image, "Image1"),
      Label1(*this, ElementKind::Label, "Label1"),
      Line1(*this, ElementKind::Line, "Line1"),
      Line2(*this, ElementKind::Line, "Line2"),
      Command1(*this, ElementKind::Button, "Command1"),
      onUnloaded_(std::move(onUnloaded)) {
    setCaption("About Carvex");
    setClientSize(6900, 5100);
    setBackColor(forms::rgb(192, 192, 192));
    setIcon("icon");

    Image1.setGeometry(120, 90, 6660, 3570);
    Image1.setPicture("about");

    Label1.setGeometry(300, 3780, 6420, 600);
    Label1.setFont("MS Sans Serif", 8.25);
    Label1.setCaption(
        "Warning: this program is protected by copyright law. Copying or distributing it, or "
        "any part of it, without permission is not allowed.");

    // One engraved rule: a dark line with a light one just below it.
    Line1.setLine(300, 4530, 6720, 4530);
    Line2.setLine(300, 4560, 6720, 4560);
    Line2.setForeColor(forms::rgb(224, 224, 224));

    Command1.setGeometry(5520, 4710, 1245, 345);
    Command1.setFont("MS Sans Serif", 8.25);
    Command1.setCaption("Ok");
    Command1.setMnemonic('O');
    Command1.setAccessibleName("Ok");
    Command1.onClick = [this] { Command1_Click(); };
    // Enter and Escape both press Ok.
    setDefaultButton(&Command1);
    setCancelButton(&Command1);
}

// The picture stands a little left of the centre.
void Brenn::Form_Load() {
    Image1.setLeft((clientWidth() - Image1.width()) / 2.5);
}

void Brenn::Form_Unload(int& cancel) {
    (void)cancel;
    if (onUnloaded_) onUnloaded_();
}

void Brenn::Form_Deactivate() {
    unload();
}

void Brenn::Form_LostFocus() {
    unload();
}

void Brenn::Command1_Click() {
    unload();
}

}  // namespace table
