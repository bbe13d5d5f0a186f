#pragma once

// The window model: named display elements whose properties the logic sets and reads
// back. A host (the Qt host in forms/qt, or nothing at all in the logic tests) observes the
// changes and delivers the user's events to the handlers bound on each element.

#include <cstdint>
#include <functional>
#include <string>

namespace forms {

class Window;

// Colours are colour numbers as the logic writes them: 0x00BBGGRR (255 is red, 49152 green).
using Colour = std::uint32_t;
constexpr Colour rgb(int r, int g, int b) {
    return static_cast<Colour>((r & 0xff) | ((g & 0xff) << 8) | ((b & 0xff) << 16));
}
constexpr int red(Colour c) {
    return static_cast<int>(c & 0xff);
}
constexpr int green(Colour c) {
    return static_cast<int>((c >> 8) & 0xff);
}
constexpr int blue(Colour c) {
    return static_cast<int>((c >> 16) & 0xff);
}

enum class ElementKind {
    Label,          // text, or an opaque block of colour used as a bar
    Button,         // a push button with a caption
    PictureButton,  // a push button drawn by its picture (normal, pressed, disabled looks)
    Image,          // a picture
    PictureBox,     // a picture that may contain other elements
    Frame,          // a container with its own background picture
    Shape,          // a filled shape (the split-hand arrow)
    Line,           // a straight line from (x1, y1) to (x2, y2)
    TextBox,        // one line of editable text; caption() is its text
    Timer,          // ticks every interval() milliseconds while enabled
    Menu,           // a menu title, a menu item or a submenu; container() is its parent
};

enum class Property {
    Caption,
    Visible,
    Enabled,
    Geometry,  // left, top, width, height, or a line's end points
    BackColor,
    ForeColor,
    Opaque,
    Font,       // name, size, bold, italic
    Alignment,  // the alignment of a label's or text box's text, and a label's text layout
    Picture,
    Checked,
    Interval,
    Focus,  // the logic asked for the focus to move to this element
};

enum class Alignment { Left, Right, Center };

// How a label sets its caption. Wrapped: as it stands, from the top, wrapped at the label's
// width. Message: as a short message in the middle of the label, aligned across as the
// label's alignment says: blanks at either end are not drawn and a run of blanks is drawn as
// one; each sentence begins a line, and no word stands alone on a line unless it is a
// sentence by itself.
enum class TextLayout { Wrapped, Message };

// Mouse buttons as the handlers receive them.
constexpr int LeftButton = 1;
constexpr int RightButton = 2;
constexpr int MiddleButton = 4;

class Element {
public:
    // Registers the element with its window. `index` is its Index in a control array, or -1.
    Element(Window& window, ElementKind kind, std::string name, int index = -1);
    Element(const Element&) = delete;
    Element& operator=(const Element&) = delete;
    ~Element();

    Window& window() const { return window_; }
    ElementKind kind() const { return kind_; }
    const std::string& name() const { return name_; }
    int index() const { return index_; }
    // The element that contains this one (picture box, frame, parent menu), or null.
    Element* container() const { return container_; }
    void setContainer(Element* container) { container_ = container; }

    // Caption of a label, button or menu item; the text of a text box. Setting a different
    // text runs the Change handler before the assignment returns.
    const std::string& caption() const { return caption_; }
    void setCaption(std::string caption);

    bool visible() const { return visible_; }
    void setVisible(bool visible);
    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);

    // Position and size in twips, relative to the container (single precision, as stored).
    float left() const { return left_; }
    float top() const { return top_; }
    float width() const { return width_; }
    float height() const { return height_; }
    void setLeft(double left);
    void setTop(double top);
    void setWidth(double width);
    void setHeight(double height);
    void setGeometry(double left, double top, double width, double height);

    // A line's end points in twips.
    float x1() const { return x1_; }
    float y1() const { return y1_; }
    float x2() const { return x2_; }
    float y2() const { return y2_; }
    void setLine(double x1, double y1, double x2, double y2);

    Colour backColor() const { return backColor_; }
    void setBackColor(Colour colour);
    Colour foreColor() const { return foreColor_; }
    void setForeColor(Colour colour);
    // Whether the background is painted (an opaque label); transparent by default.
    bool opaque() const { return opaque_; }
    void setOpaque(bool opaque);

    const std::string& fontName() const { return fontName_; }
    double fontSize() const { return fontSize_; }
    bool fontBold() const { return fontBold_; }
    bool fontItalic() const { return fontItalic_; }
    void setFontName(std::string name);
    void setFontSize(double size);
    void setFontBold(bool bold);
    void setFontItalic(bool italic);
    void setFont(std::string name, double size, bool bold = false);

    Alignment alignment() const { return alignment_; }
    void setAlignment(Alignment alignment);
    TextLayout textLayout() const { return textLayout_; }
    void setTextLayout(TextLayout layout);

    // The picture, by name; resources supply the drawing. Copying a picture copies its name.
    const std::string& picture() const { return picture_; }
    void setPicture(std::string picture);

    bool checked() const { return checked_; }
    void setChecked(bool checked);

    int interval() const { return interval_; }
    void setInterval(int milliseconds);

    // What screen readers and UI tests call the element ("Deal", "Chip 5").
    const std::string& accessibleName() const { return accessibleName_; }
    void setAccessibleName(std::string name) { accessibleName_ = std::move(name); }
    // The letter of a menu caption that the host underlines as its keyboard mnemonic; the
    // caption itself stays exact, since the logic compares it.
    char mnemonic() const { return mnemonic_; }
    void setMnemonic(char letter) { mnemonic_ = letter; }
    // The key the window already takes for what a menu item does ("F1"), which the host
    // shows beside the item; the item itself does not take it.
    // A container that holds the keyboard while it is shown, as a box does: Tab and
    // Shift+Tab move only among the controls inside it.
    bool holdsFocus() const { return holdsFocus_; }
    void setHoldsFocus(bool holds) { holdsFocus_ = holds; }
    const std::string& shortcutKey() const { return shortcutKey_; }
    void setShortcutKey(std::string key) { shortcutKey_ = std::move(key); }
    const std::string& toolTip() const { return toolTip_; }
    void setToolTip(std::string tip) { toolTip_ = std::move(tip); }

    // Asks the host to move the keyboard focus here.
    void setFocus();

    // Handlers, bound by the window that owns the element.
    std::function<void()> onClick;
    std::function<void()> onDblClick;
    std::function<void()> onChange;
    std::function<void()> onTimer;
    std::function<void(int button, int shift, float x, float y)> onMouseDown;
    std::function<void(int button, int shift, float x, float y)> onMouseUp;

    // Event delivery, used by the host and by tests driving the window. Each runs the
    // bound handler, if any. click() and dblClick() do nothing while the element is
    // disabled, as a disabled control receives no clicks.
    void click();
    void dblClick();
    void mouseDown(int button, int shift = 0, float x = 0, float y = 0);
    void mouseUp(int button, int shift = 0, float x = 0, float y = 0);
    void tick();
    // The user typed: sets the text and runs the Change handler.
    void typeText(const std::string& text);

private:
    void changed(Property property);

    Window& window_;
    ElementKind kind_;
    std::string name_;
    int index_;
    Element* container_ = nullptr;

    std::string caption_;
    bool visible_ = true;
    bool enabled_ = true;
    float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    float x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0;
    Colour backColor_ = rgb(255, 255, 255);
    Colour foreColor_ = rgb(0, 0, 0);
    bool opaque_ = false;
    std::string fontName_;
    double fontSize_ = 0;  // 0: the window's font
    bool fontBold_ = false;
    bool fontItalic_ = false;
    Alignment alignment_ = Alignment::Left;
    TextLayout textLayout_ = TextLayout::Wrapped;
    std::string picture_;
    bool checked_ = false;
    int interval_ = 0;
    std::string accessibleName_;
    std::string toolTip_;
    char mnemonic_ = 0;
    std::string shortcutKey_;
    bool holdsFocus_ = false;
};

}  // namespace forms
