#include "forms/Element.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "forms/Window.h"

namespace forms {

Element::Element(Window& window, ElementKind kind, std::string name, int index)
    : window_(window), kind_(kind), name_(std::move(name)), index_(index) {
    if (kind_ == ElementKind::Timer) enabled_ = false;
    window_.add(this);
}

Element::~Element() {
    window_.remove(this);
}

void Element::changed(Property property) {
    window_.notify(*this, property);
}

void Element::setCaption(std::string caption) {
    if (caption == caption_) return;
    caption_ = std::move(caption);
    changed(Property::Caption);
    if (onChange) onChange();
}

void Element::setVisible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    changed(Property::Visible);
}

void Element::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    changed(Property::Enabled);
}

namespace {
float single(double v) {
    return std::isfinite(v) ? static_cast<float>(v) : 0.0f;
}
}  // namespace

void Element::setLeft(double left) {
    const float v = single(left);
    if (v == left_) return;
    left_ = v;
    changed(Property::Geometry);
}

void Element::setTop(double top) {
    const float v = single(top);
    if (v == top_) return;
    top_ = v;
    changed(Property::Geometry);
}

void Element::setWidth(double width) {
    float v = single(width);
    if (v < 0) v = 0;
    if (v == width_) return;
    width_ = v;
    changed(Property::Geometry);
}

void Element::setHeight(double height) {
    float v = single(height);
    if (v < 0) v = 0;
    if (v == height_) return;
    height_ = v;
    changed(Property::Geometry);
}

void Element::setGeometry(double left, double top, double width, double height) {
    left_ = single(left);
    top_ = single(top);
    width_ = std::max(0.0f, single(width));
    height_ = std::max(0.0f, single(height));
    changed(Property::Geometry);
}

void Element::setLine(double x1, double y1, double x2, double y2) {
    x1_ = single(x1);
    y1_ = single(y1);
    x2_ = single(x2);
    y2_ = single(y2);
    changed(Property::Geometry);
}

void Element::setBackColor(Colour colour) {
    if (colour == backColor_) return;
    backColor_ = colour;
    changed(Property::BackColor);
}

void Element::setForeColor(Colour colour) {
    if (colour == foreColor_) return;
    foreColor_ = colour;
    changed(Property::ForeColor);
}

void Element::setOpaque(bool opaque) {
    if (opaque == opaque_) return;
    opaque_ = opaque;
    changed(Property::Opaque);
}

void Element::setFontName(std::string name) {
    if (name == fontName_) return;
    fontName_ = std::move(name);
    changed(Property::Font);
}

void Element::setFontSize(double size) {
    if (size == fontSize_) return;
    fontSize_ = size;
    changed(Property::Font);
}

void Element::setFontBold(bool bold) {
    if (bold == fontBold_) return;
    fontBold_ = bold;
    changed(Property::Font);
}

void Element::setFontItalic(bool italic) {
    if (italic == fontItalic_) return;
    fontItalic_ = italic;
    changed(Property::Font);
}

void Element::setFont(std::string name, double size, bool bold) {
    fontName_ = std::move(name);
    fontSize_ = size;
    fontBold_ = bold;
    changed(Property::Font);
}

void Element::setAlignment(Alignment alignment) {
    if (alignment == alignment_) return;
    alignment_ = alignment;
    changed(Property::Alignment);
}

void Element::setTextLayout(TextLayout layout) {
    if (layout == textLayout_) return;
    textLayout_ = layout;
    changed(Property::Alignment);
}

void Element::setPicture(std::string picture) {
    if (picture == picture_) return;
    picture_ = std::move(picture);
    changed(Property::Picture);
}

void Element::setChecked(bool checked) {
    if (checked == checked_) return;
    checked_ = checked;
    changed(Property::Checked);
}

void Element::setInterval(int milliseconds) {
    if (milliseconds == interval_) return;
    interval_ = milliseconds;
    changed(Property::Interval);
}

void Element::setFocus() {
    changed(Property::Focus);
}

void Element::click() {
    if (!enabled_) return;
    if (onClick) onClick();
}

void Element::dblClick() {
    if (!enabled_) return;
    if (onDblClick) onDblClick();
}

void Element::mouseDown(int button, int shift, float x, float y) {
    if (!enabled_) return;
    if (onMouseDown) onMouseDown(button, shift, x, y);
}

void Element::mouseUp(int button, int shift, float x, float y) {
    if (!enabled_) return;
    if (onMouseUp) onMouseUp(button, shift, x, y);
}

void Element::tick() {
    if (onTimer) onTimer();
}

void Element::typeText(const std::string& text) {
    if (!enabled_) return;
    setCaption(text);
}

}  // namespace forms
