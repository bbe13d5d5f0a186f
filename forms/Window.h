#pragma once

#include <memory>
#include <string>
#include <vector>

#include "forms/Element.h"

namespace forms {

// Receives every property change of a window's elements (the host keeps its widgets in
// step with them) and the window's own requests.
class WindowObserver {
public:
    virtual ~WindowObserver() = default;
    virtual void elementChanged(Element& element, Property property) = 0;
    virtual void windowCaptionChanged() {}
    // The logic unloaded the window: close it.
    virtual void windowUnloaded() {}
};

// The outer frame of a window as the window manager holds it. The model keeps a plain
// in-memory frame; the host replaces it with the real one, and tests with a fake.
class WindowFrame {
public:
    virtual ~WindowFrame() = default;
    // Outer geometry in screen pixels; `topmost` keeps it above other windows and
    // `noActivate` shows it without taking the focus.
    virtual void place(int x, int y, int width, int height, bool topmost, bool noActivate) = 0;
    // Outer height (title bar and borders included) in twips, as the window reports it.
    virtual float outerHeight() const = 0;
    virtual void setOuterHeight(float twips) = 0;
    // Brings the window to the front and gives it the focus.
    virtual void activate() {}
};

// An in-memory frame: remembers what it is told.
class ModelFrame final : public WindowFrame {
public:
    void place(int x, int y, int width, int height, bool topmost, bool noActivate) override;
    float outerHeight() const override { return height_; }
    void setOuterHeight(float twips) override { height_ = twips; }
    int x = 0, y = 0, width = 0, height = 0;
    bool topmost = false, noActivate = false;

private:
    float height_ = 0;
};

// A window of the model: owns its elements as members of the derived class, which
// declares their design state in its constructor and binds their handlers. Elements are
// stacked in the order they are constructed: a later element lies above an earlier one.
class Window {
public:
    explicit Window(std::string name);
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    const std::string& name() const { return name_; }

    const std::string& caption() const { return caption_; }
    void setCaption(std::string caption);

    // Design client area in twips; the host sizes the window to it.
    float clientWidth() const { return clientWidth_; }
    float clientHeight() const { return clientHeight_; }
    void setClientSize(float width, float height) {
        clientWidth_ = width;
        clientHeight_ = height;
    }

    Colour backColor() const { return backColor_; }
    void setBackColor(Colour colour) { backColor_ = colour; }
    // The window's font, used by every element that names none.
    const std::string& fontName() const { return fontName_; }
    double fontSize() const { return fontSize_; }
    void setFont(std::string name, double size) {
        fontName_ = std::move(name);
        fontSize_ = size;
    }
    // Background picture of the client area, by name.
    const std::string& picture() const { return picture_; }
    void setPicture(std::string picture) { picture_ = std::move(picture); }
    // The window's icon, by picture name.
    const std::string& icon() const { return icon_; }
    void setIcon(std::string icon) { icon_ = std::move(icon); }

    // F1 opens `helpFile` at `helpContext`.
    const std::string& helpFile() const { return helpFile_; }
    void setHelpFile(std::string file) { helpFile_ = std::move(file); }
    int helpContext() const { return helpContext_; }
    void setHelpContext(int context) { helpContext_ = context; }

    // Whether the user may resize the window (a fixed dialog frame otherwise).
    bool resizable() const { return resizable_; }
    void setResizable(bool resizable) { resizable_ = resizable; }

    // The window this one belongs to (a box over the main window), or null: it opens
    // centred over its owner, stays above it and has no task bar entry of its own.
    Window* owner() const { return owner_; }
    void setOwner(Window* owner) { owner_ = owner; }

    // Enter presses the default button and Escape the cancel button, while it is shown
    // (with every element that contains it) and enabled. Null: the key does nothing.
    Element* defaultButton() const { return defaultButton_; }
    void setDefaultButton(Element* button) { defaultButton_ = button; }
    Element* cancelButton() const { return cancelButton_; }
    void setCancelButton(Element* button) { cancelButton_ = button; }
    // Enter and Escape: click the default or the cancel button when it can be pressed;
    // whether it was.
    bool pressDefaultButton();
    bool pressCancelButton();

    WindowFrame& frame() { return *frame_; }
    // Replaces the frame; the window does not own `frame`. Null restores the model frame.
    void setFrame(WindowFrame* frame) { frame_ = frame ? frame : &modelFrame_; }

    // Unloads the window: runs Form_Unload, then asks the host to close it. A second call
    // does nothing.
    void unload();
    bool unloaded() const { return unloaded_; }

    const std::vector<Element*>& elements() const { return elements_; }
    Element* find(const std::string& name, int index = -1) const;
    // Moves `element` in the stacking order to lie just above `below`. For the design
    // state only: the host stacks the widgets once, when it builds them.
    void stackAbove(Element& element, Element& below);

    void setObserver(WindowObserver* observer) { observer_ = observer; }
    WindowObserver* observer() const { return observer_; }

    // Events of the window itself.
    virtual void Form_Load() {}
    virtual void Form_Unload(int& cancel) { (void)cancel; }
    // Another window of the same program became the active one.
    virtual void Form_Deactivate() {}
    virtual void Form_LostFocus() {}

private:
    friend class Element;
    void add(Element* element) { elements_.push_back(element); }
    void remove(Element* element);
    void notify(Element& element, Property property);

    std::string name_;
    std::string caption_;
    float clientWidth_ = 0, clientHeight_ = 0;
    Colour backColor_ = rgb(192, 192, 192);
    std::string fontName_ = "MS Sans Serif";
    double fontSize_ = 8.25;
    std::string picture_;
    std::string icon_;
    std::string helpFile_;
    int helpContext_ = 0;
    bool resizable_ = false;
    Window* owner_ = nullptr;
    Element* defaultButton_ = nullptr;
    Element* cancelButton_ = nullptr;
    ModelFrame modelFrame_;
    WindowFrame* frame_ = &modelFrame_;
    bool unloaded_ = false;
    std::vector<Element*> elements_;
    WindowObserver* observer_ = nullptr;
};

// A fixed row of like elements sharing one handler that takes the element's Index, with
// the bounds the window declares (lplay(1..21), playcard(0..21)).
class ControlArray {
public:
    ControlArray(Window& window, ElementKind kind, const std::string& name, int lower, int upper);
    Element& operator()(int index);
    const Element& operator()(int index) const;
    int lower() const { return lower_; }
    int upper() const { return upper_; }

private:
    int lower_;
    int upper_;
    std::vector<std::unique_ptr<Element>> elements_;
};

}  // namespace forms
