#include "forms/Window.h"

#include <algorithm>
#include <utility>

namespace forms {

void ModelFrame::place(int px, int py, int pw, int ph, bool top, bool noAct) {
    x = px;
    y = py;
    width = pw;
    height = ph;
    topmost = top;
    noActivate = noAct;
    height_ = static_cast<float>(ph) * 15.0f;
}

Window::Window(std::string name) : name_(std::move(name)) {}

Window::~Window() = default;

void Window::setCaption(std::string caption) {
    if (caption == caption_) return;
    caption_ = std::move(caption);
    if (observer_) observer_->windowCaptionChanged();
}

void Window::unload() {
    if (unloaded_) return;
    unloaded_ = true;
    int cancel = 0;
    Form_Unload(cancel);
    if (observer_) observer_->windowUnloaded();
}

namespace {
// A button takes Enter or Escape while it is enabled and shown, with every element that
// contains it.
bool canPress(const Element* button) {
    if (!button || !button->enabled()) return false;
    for (const Element* e = button; e; e = e->container())
        if (!e->visible()) return false;
    return true;
}
}  // namespace

bool Window::pressDefaultButton() {
    if (unloaded_ || !canPress(defaultButton_)) return false;
    defaultButton_->click();
    return true;
}

bool Window::pressCancelButton() {
    if (unloaded_ || !canPress(cancelButton_)) return false;
    cancelButton_->click();
    return true;
}

Element* Window::find(const std::string& name, int index) const {
    for (Element* e : elements_)
        if (e->name() == name && e->index() == index) return e;
    return nullptr;
}

void Window::stackAbove(Element& element, Element& below) {
    remove(&element);
    auto at = std::find(elements_.begin(), elements_.end(), &below);
    elements_.insert(at == elements_.end() ? at : at + 1, &element);
}

void Window::remove(Element* element) {
    elements_.erase(std::remove(elements_.begin(), elements_.end(), element), elements_.end());
}

void Window::notify(Element& element, Property property) {
    if (observer_) observer_->elementChanged(element, property);
}

ControlArray::ControlArray(Window& window, ElementKind kind, const std::string& name, int lower,
                           int upper)
    : lower_(lower), upper_(upper) {
    for (int i = lower; i <= upper; ++i)
        elements_.push_back(std::make_unique<Element>(window, kind, name, i));
}

Element& ControlArray::operator()(int index) {
    return *elements_.at(static_cast<std::size_t>(index - lower_));
}

const Element& ControlArray::operator()(int index) const {
    return *elements_.at(static_cast<std::size_t>(index - lower_));
}

}  // namespace forms
