#include "forms/qt/Host.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHash>
#include <QIcon>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <unordered_map>

#include "forms/qt/EventRouter.h"
#include "forms/qt/Pictures.h"
#include "forms/qt/Placement.h"
#include "forms/qt/Widgets.h"

namespace formsqt {

using forms::Element;
using forms::ElementKind;
using forms::Property;
using namespace detail;

namespace {

void quietMessageHandler(QtMsgType type, const QMessageLogContext&, const QString& message) {
    // Debug, info and warning messages from Qt are of no use to the player; only real
    // failures reach the terminal. A maintainer who asks for Qt's messages gets them all
    // (see initApplication).
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        const QByteArray text = message.toLocal8Bit();
        std::fprintf(stderr, "%s\n", text.constData());
    }
}

QString fromUtf8(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// A caption with its keyboard mnemonic marked for Qt: the element keeps the exact caption
// the logic compares, and names the letter to underline apart.
QString withMnemonic(const Element& e) {
    QString text = fromUtf8(e.caption());
    if (e.mnemonic() == 0 || text.contains(QLatin1Char('&'))) return text;
    // The letter as written first ("Change Starting &Amount"), else in either case.
    qsizetype at = text.indexOf(QLatin1Char(e.mnemonic()), 0, Qt::CaseSensitive);
    if (at < 0) at = text.indexOf(QLatin1Char(e.mnemonic()), 0, Qt::CaseInsensitive);
    if (at >= 0) text.insert(at, QLatin1Char('&'));
    return text;
}

// `colour` faded halfway towards `background`.
QColor greyed(const QColor& colour, const QColor& background) {
    return QColor((colour.red() + background.red()) / 2, (colour.green() + background.green()) / 2,
                  (colour.blue() + background.blue()) / 2);
}

bool isWidgetKind(ElementKind kind) {
    return kind != ElementKind::Timer && kind != ElementKind::Menu;
}

// The container `e` lies in, or null (an element named as its own container lies in none).
Element* enclosing(const Element* e) {
    return e->container() == e ? nullptr : e->container();
}

// Asks for the picture `w` paints next to be drawn ahead.
void preparePicture(QWidget* w) {
    if (auto* view = dynamic_cast<PictureView*>(w))
        view->prepare();
    else if (auto* button = dynamic_cast<PictureButton*>(w))
        button->prepare();
}

Qt::Alignment toQtAlignment(forms::Alignment a) {
    switch (a) {
        case forms::Alignment::Right:
            return Qt::AlignRight;
        case forms::Alignment::Center:
            return Qt::AlignHCenter;
        case forms::Alignment::Left:
            break;
    }
    return Qt::AlignLeft;
}

}  // namespace

void initApplication() {
    // Fractional scale factors are used as they are, so the window is drawn at the display's
    // real scale and pictures are fetched at that device pixel ratio.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    // The console stays quiet unless the user asks Qt for its messages, with logging rules
    // or the plugin loader's trace: then every message reaches Qt's own handler.
    if (!qEnvironmentVariableIsSet("QT_LOGGING_RULES") &&
        !qEnvironmentVariableIsSet("QT_DEBUG_PLUGINS"))
        qInstallMessageHandler(quietMessageHandler);
}

QString mapFontFamily(const std::string& family) {
    if (family == "Comic Sans MS") return QStringLiteral("Comic Neue");
    if (family == "MS Sans Serif" || family.empty())
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    return fromUtf8(family);
}

QString objectNameFor(const Element& element) {
    QString name = fromUtf8(element.name());
    if (element.index() >= 0) name += QStringLiteral("(%1)").arg(element.index());
    return name;
}

// The top-level window: closing it unloads the model window first.
class TopLevel final : public QMainWindow {
public:
    explicit TopLevel(Host::Impl& d) : d_(d) {}

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Host::Impl& d_;
    bool iconSet_ = false;
};

struct Host::Impl {
    Impl(Host& h, forms::Window& w, const PictureProvider& p) : host(h), window(w), pictures(p) {}

    Host& host;
    forms::Window& window;
    const PictureProvider& pictures;
    std::unique_ptr<TopLevel> top;
    ClientArea* client = nullptr;
    std::unique_ptr<EventRouter> router;
    std::unordered_map<const Element*, QWidget*> widgets;
    std::unordered_map<const Element*, QAction*> actions;
    std::unordered_map<const Element*, QTimer*> timers;
    QHash<const QObject*, Element*> elementOf;
    std::function<void(const std::string&, int)> helpHandler;
    std::function<void()> closedHandler;
    bool inCloseEvent = false;
    bool active = false;  // the window is this program's active window

    void build();
    QWidget* createWidget(Element& e, QWidget* parent);
    bool onScreen(const Element& e) const;
    QWidget* widgetOf(Element& e);
    void makeWidgetsShownBy(Element& e);
    void placeInTabOrder();
    void buildMenus();
    // Adds the menu items that `parent` holds (null: the menu bar's own) to `into`.
    void addMenuItems(const Element* parent, QWidget* into);
    void bindAction(Element& e, QAction* action);
    void sync(Element& e, Property p);
    void syncAll(Element& e);
    void syncTimer(Element& e);
    void syncAction(Element& e);
    // The steps of sync() that a property change takes on a widget of each kind.
    void syncCaption(Element& e, QWidget* w);
    void syncAlignment(Element& e, QWidget* w);
    void syncPicture(Element& e, QWidget* w);
    static void giveFocus(QWidget* w);
    void syncGeometry(Element& e, QWidget* w);
    void syncColours(Element& e, QWidget* w);
    void syncAccessibility(Element& e, QWidget* w);
    QFont fontFor(const std::string& name, double size, bool bold, bool italic) const;
    void stopTimers();
    void help();
    void focusWindowChanged(QWindow* now);
    void setIcon();
    void preparePictures();
    // The focused widget `w` is being disabled: the focus moves on to the next enabled
    // control once the handler that disabled it has run, unless the logic placed it.
    void passFocusOn(QWidget* w);
    void moveFocusOn(const QPointer<QWidget>& from);
    void placeOverOwner();
    // Whether `w`, a widget of this window, can take the focus by Tab.
    bool takesTabFocus(QWidget* w) const;
    // The widget of a shown container that holds the keyboard, or null.
    QWidget* focusHolder() const;
};

void TopLevel::closeEvent(QCloseEvent* event) {
    if (!d_.window.unloaded()) {
        d_.inCloseEvent = true;
        d_.window.unload();
        d_.inCloseEvent = false;
    }
    d_.stopTimers();
    event->accept();
    if (d_.closedHandler) {
        // After the close has finished, so the owner may destroy the host.
        QTimer::singleShot(0, this, [handler = d_.closedHandler] { handler(); });
    }
}

void TopLevel::keyPressEvent(QKeyEvent* event) {
    // A key that no control took: Enter presses the window's default button and Escape
    // its cancel button.
    const int key = event->key();
    if ((event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && !event->isAutoRepeat()) {
        const bool pressed = (key == Qt::Key_Return || key == Qt::Key_Enter)
                                 ? d_.window.pressDefaultButton()
                             : key == Qt::Key_Escape ? d_.window.pressCancelButton()
                                                     : false;
        if (pressed) {
            event->accept();
            return;
        }
    }
    QMainWindow::keyPressEvent(event);
}

bool TopLevel::focusNextPrevChild(bool next) {
    // Tab and Shift+Tab of every control come here. While a container that holds the
    // keyboard is shown, they go round among its controls in tab order and never leave it.
    QWidget* holder = d_.focusHolder();
    if (!holder) return QMainWindow::focusNextPrevChild(next);
    QWidget* from = focusWidget();
    if (!from || !holder->isAncestorOf(from)) from = holder;
    QWidget* w = from;
    do {
        w = next ? w->nextInFocusChain() : w->previousInFocusChain();
        if (holder->isAncestorOf(w) && d_.takesTabFocus(w)) {
            w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    } while (w && w != from);
    return true;  // nothing inside it takes the focus: it stays where it is
}

bool TopLevel::event(QEvent* event) {
    const bool result = QMainWindow::event(event);
    switch (event->type()) {
        case QEvent::Show:
            // The icon is drawn once the window has been painted for the first time: drawn
            // at all its sizes it would hold up both the window's appearance and its first
            // picture. The window manager takes it whenever it comes.
            if (!iconSet_ && windowHandle()) windowHandle()->installEventFilter(this);
            [[fallthrough]];
        case QEvent::Move:
        case QEvent::Resize:
            d_.host.frame().reconcilePlacement();
            break;
        case QEvent::WindowActivate:
            d_.active = true;
            break;
        default:
            break;
    }
    return result;
}

bool TopLevel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Expose && watched == windowHandle() &&
        windowHandle()->isExposed()) {
        watched->removeEventFilter(this);
        iconSet_ = true;
        // Queued, so the expose paints the window first.
        QTimer::singleShot(0, this, [this] { d_.setIcon(); });
    }
    return QMainWindow::eventFilter(watched, event);
}

QFont Host::Impl::fontFor(const std::string& name, double size, bool bold, bool italic) const {
    // An element that names no font or size uses the window's.
    const std::string& family = name.empty() ? window.fontName() : name;
    if (!(size > 0)) size = window.fontSize();
    if (!(size > 0) || size > 500) size = 8.25;
    QFont font(mapFontFamily(family));
    font.setPointSizeF(size);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

QWidget* Host::Impl::createWidget(Element& e, QWidget* parent) {
    QWidget* w = nullptr;
    switch (e.kind()) {
        case ElementKind::Label:
            w = new TextLabel(parent);
            break;
        case ElementKind::Button: {
            auto* button = new QPushButton(parent);
            button->setAutoDefault(false);
            QObject::connect(button, &QPushButton::clicked, button, [&e] { e.click(); });
            w = button;
            break;
        }
        case ElementKind::PictureButton: {
            auto* button = new PictureButton(pictures, parent);
            QObject::connect(button, &QAbstractButton::clicked, button, [&e] { e.click(); });
            w = button;
            break;
        }
        case ElementKind::Image:
        case ElementKind::PictureBox:
        case ElementKind::Frame:
            w = new PictureView(pictures, parent);
            break;
        case ElementKind::Shape:
            w = new ArrowShape(parent);
            break;
        case ElementKind::Line:
            w = new LineWidget(parent);
            break;
        case ElementKind::TextBox: {
            auto* edit = new QLineEdit(parent);
            QObject::connect(edit, &QLineEdit::textEdited, edit,
                             [&e](const QString& text) { e.typeText(text.toStdString()); });
            w = edit;
            break;
        }
        case ElementKind::Timer:
        case ElementKind::Menu:
            return nullptr;
    }
    w->setObjectName(objectNameFor(e));
    w->installEventFilter(router.get());
    elementOf.insert(w, &e);
    widgets[&e] = w;
    return w;
}

void Host::Impl::build() {
    top = std::make_unique<TopLevel>(*this);
    router = std::make_unique<EventRouter>(
        [this](const QObject* watched) { return elementOf.value(watched, nullptr); },
        [this] { help(); });
    top->setObjectName(fromUtf8(window.name()));
    top->setWindowTitle(fromUtf8(window.caption()));
    top->installEventFilter(router.get());

    client = new ClientArea(pictures, top.get());
    client->setObjectName(QStringLiteral("client"));
    client->installEventFilter(router.get());
    const QSize designSize = toPixelRect(0, 0, window.clientWidth(), window.clientHeight()).size();
    client->setBackground(toQColor(window.backColor()), fromUtf8(window.picture()), designSize);
    client->setFont(fontFor(std::string(), 0, false, false));
    top->setCentralWidget(client);
    // The pictures of the first frame are drawn ahead, away from this thread, while the
    // window is made and mapped; the background, the largest, first.
    client->prepare();

    // Only what is on screen gets its widget now; the rest gets it once it is shown or
    // asked for, which saves making some hundred widgets a start never shows. Each is made
    // as any later one is (widgetOf): in its container, with every property, in the
    // elements' stacking and tab order.
    for (Element* e : window.elements()) {
        if (e->kind() == ElementKind::Timer) {
            auto* timer = new QTimer(top.get());
            timer->setObjectName(objectNameFor(*e));
            QObject::connect(timer, &QTimer::timeout, timer, [e] { e->tick(); });
            timers[e] = timer;
            syncTimer(*e);
        } else if (isWidgetKind(e->kind()) && onScreen(*e)) {
            // Its picture is drawn ahead while the rest of the window is made.
            preparePicture(widgetOf(*e));
        }
    }
    buildMenus();

    int menuHeight = 0;
    if (QMenuBar* bar = top->menuWidget() ? top->menuBar() : nullptr) {
        menuHeight = bar->heightForWidth(designSize.width());
        if (menuHeight <= 0) menuHeight = bar->sizeHint().height();
    }
    const QSize size(std::max(1, designSize.width()),
                     std::max(1, designSize.height() + menuHeight));
    if (window.resizable())
        top->resize(size);
    else
        top->setFixedSize(size);

    QObject::connect(qApp, &QGuiApplication::focusWindowChanged, top.get(),
                     [this](QWindow* now) { focusWindowChanged(now); });
    QObject::connect(qApp, &QApplication::focusChanged, top.get(),
                     [this](QWidget* old, QWidget* now) {
                         // The window itself (not one of its controls) had the focus and lost it.
                         if (old == top.get() && now && now != old && !window.unloaded())
                             window.Form_LostFocus();
                     });
}

bool Host::Impl::onScreen(const Element& e) const {
    // Its own flag and that of every container it lies in: a hidden container hides its
    // contents.
    for (const Element* c = &e; c; c = enclosing(c))
        if (!c->visible()) return false;
    return true;
}

QWidget* Host::Impl::widgetOf(Element& e) {
    if (auto it = widgets.find(&e); it != widgets.end()) return it->second;
    if (!isWidgetKind(e.kind())) return nullptr;
    // Made inside its container's widget, with every property, in the stacking and tab
    // order of the elements, whenever it is made.
    Element* container = enclosing(&e);
    QWidget* parent = container && isWidgetKind(container->kind()) ? widgetOf(*container) : client;
    QWidget* w = createWidget(e, parent);
    syncAll(e);
    // A later element lies above an earlier one: the widget goes under the first later
    // sibling that has one.
    const auto& elements = window.elements();
    QWidget* later = nullptr;
    auto next = std::find(elements.begin(), elements.end(), &e);
    if (next != elements.end()) ++next;
    for (; next != elements.end() && !later; ++next) {
        auto it = widgets.find(*next);
        if (it != widgets.end() && it->second->parentWidget() == parent) later = it->second;
    }
    if (later)
        w->stackUnder(later);
    else
        w->raise();
    if (w->focusPolicy() != Qt::NoFocus) placeInTabOrder();
    return w;
}

void Host::Impl::makeWidgetsShownBy(Element& e) {
    // `e` was shown: it and whatever it contains that is on screen now get their widgets.
    if (!onScreen(e)) return;
    auto within = [&e](const Element* x) {
        for (const Element* c = x; c; c = enclosing(c))
            if (c == &e) return true;
        return false;
    };
    for (Element* x : window.elements())
        if (isWidgetKind(x->kind()) && !widgets.contains(x) && within(x) && onScreen(*x))
            widgetOf(*x);
}

void Host::Impl::placeInTabOrder() {
    // Tab moves through the controls in the elements' order, whenever each got its widget:
    // the focus chain is linked again in that order.
    QWidget* previous = nullptr;
    for (Element* e : window.elements()) {
        auto it = widgets.find(e);
        if (it == widgets.end() || it->second->focusPolicy() == Qt::NoFocus) continue;
        if (previous) QWidget::setTabOrder(previous, it->second);
        previous = it->second;
    }
}

void Host::Impl::setIcon() {
    if (window.icon().empty()) return;
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pm =
            pictures.picture(fromUtf8(window.icon()), QSizeF(size, size), 1.0, PictureLook::Normal);
        if (!pm.isNull()) icon.addPixmap(pm);
    }
    if (!icon.isNull()) top->setWindowIcon(icon);
}

void Host::Impl::preparePictures() {
    // What the window shows as it stands now, which the logic may have changed since it was
    // made: asking again for a picture asked for already costs nothing.
    client->prepare();
    for (Element* e : window.elements())
        if (auto it = widgets.find(e); it != widgets.end() && onScreen(*e))
            preparePicture(it->second);
}

void Host::Impl::focusWindowChanged(QWindow* now) {
    // A switch to another program (no focus window here) does not count, nor do this
    // program's own menus and tool tips; another window of this program does.
    if (!now || !top) return;
    if (now == top->windowHandle()) {
        active = true;
        return;
    }
    if (now->type() == Qt::Popup || now->type() == Qt::ToolTip) return;
    if (!active) return;
    active = false;
    if (!window.unloaded()) window.Form_Deactivate();
}

void Host::Impl::buildMenus() {
    const auto& elements = window.elements();
    if (std::none_of(elements.begin(), elements.end(),
                     [](const Element* e) { return e->kind() == ElementKind::Menu; }))
        return;
    QMenuBar* bar = top->menuBar();
    bar->installEventFilter(router.get());
    addMenuItems(nullptr, bar);
}

void Host::Impl::addMenuItems(const Element* parent, QWidget* into) {
    // The items of `parent`, or with no parent those on the menu bar itself: the menus that
    // no menu holds. An item that holds others opens a menu of them; any other runs its
    // command.
    const auto& elements = window.elements();
    for (Element* e : elements) {
        if (e->kind() != ElementKind::Menu) continue;
        const Element* holder = e->container();
        if (parent ? holder != parent : holder && holder->kind() == ElementKind::Menu) continue;
        const bool hasChildren = std::any_of(elements.begin(), elements.end(),
                                             [e](const Element* c) { return c->container() == e; });
        if (hasChildren) {
            auto* menu = new QMenu(fromUtf8(e->caption()), into);
            into->addAction(menu->menuAction());
            menu->setObjectName(objectNameFor(*e));
            menu->installEventFilter(router.get());
            QObject::connect(menu, &QMenu::aboutToShow, menu, [e] { e->click(); });
            bindAction(*e, menu->menuAction());
            addMenuItems(e, menu);
        } else {
            auto* action = new QAction(fromUtf8(e->caption()), into);
            into->addAction(action);
            QObject::connect(action, &QAction::triggered, action, [this, e] {
                e->click();
                syncAction(*e);
            });
            bindAction(*e, action);
        }
    }
}

void Host::Impl::bindAction(Element& e, QAction* action) {
    action->setObjectName(objectNameFor(e));
    actions[&e] = action;
    syncAction(e);
}

void Host::Impl::syncAction(Element& e) {
    auto it = actions.find(&e);
    if (it == actions.end()) return;
    QAction* a = it->second;
    if (e.caption() == "-") {
        a->setSeparator(true);
    } else {
        a->setSeparator(false);
        // The key is shown after a tab, in the menu's key column, and bound to nothing
        // here: the window takes it already (F1 through the event router), so one press
        // runs its command once.
        QString text = withMnemonic(e);
        if (!e.shortcutKey().empty())
            text += QLatin1Char('\t') + QKeySequence::fromString(fromUtf8(e.shortcutKey()))
                                            .toString(QKeySequence::NativeText);
        a->setText(text);
    }
    a->setVisible(e.visible());
    a->setEnabled(e.enabled());
    // Only a checked item shows the check mark; the model alone decides it, so the action
    // is made checkable while it is checked and set back from the model after a trigger.
    a->setCheckable(e.checked());
    a->setChecked(e.checked());
}

void Host::Impl::syncTimer(Element& e) {
    auto it = timers.find(&e);
    if (it == timers.end()) return;
    QTimer* t = it->second;
    if (e.enabled() && e.interval() > 0 && !window.unloaded()) {
        if (!t->isActive() || t->interval() != e.interval()) t->start(e.interval());
    } else {
        t->stop();
    }
}

void Host::Impl::stopTimers() {
    for (auto& [e, t] : timers) t->stop();
}

void Host::Impl::syncGeometry(Element& e, QWidget* w) {
    if (e.kind() == ElementKind::Line) {
        const QPoint a(toPixels(e.x1()), toPixels(e.y1()));
        const QPoint b(toPixels(e.x2()), toPixels(e.y2()));
        const QRect box = QRect(a, b).normalized();
        w->setGeometry(box.x(), box.y(), box.width(), box.height());
        auto* line = static_cast<LineWidget*>(w);
        line->setLine(QPointF(a - box.topLeft()), QPointF(b - box.topLeft()),
                      toQColor(e.foreColor()));
        return;
    }
    w->setGeometry(toPixelRect(e.left(), e.top(), e.width(), e.height()));
}

void Host::Impl::syncColours(Element& e, QWidget* w) {
    const QColor back = toQColor(e.backColor());
    const QColor fore = toQColor(e.foreColor());
    switch (e.kind()) {
        case ElementKind::Label: {
            QPalette pal = w->palette();
            pal.setColor(QPalette::WindowText, fore);
            pal.setColor(QPalette::Disabled, QPalette::WindowText, QColor(128, 128, 128));
            pal.setColor(QPalette::Window, back);
            w->setPalette(pal);
            w->setAutoFillBackground(e.opaque());
            break;
        }
        case ElementKind::TextBox: {
            QPalette pal = w->palette();
            pal.setColor(QPalette::Base, back);
            pal.setColor(QPalette::Text, fore);
            // A disabled box refuses typing and shows it: its text greyed halfway towards
            // the background, whatever colours the design gives it.
            pal.setColor(QPalette::Disabled, QPalette::Text, greyed(fore, back));
            w->setPalette(pal);
            break;
        }
        case ElementKind::Image:
            static_cast<PictureView*>(w)->setFill(e.opaque() ? back : QColor());
            break;
        case ElementKind::PictureBox:
        case ElementKind::Frame:
            // A box drawn by its picture shows the picture's own shape (a speech bubble's
            // rounded corners and tail); only a box without one is filled.
            static_cast<PictureView*>(w)->setFill(e.picture().empty() ? back : QColor());
            break;
        case ElementKind::Shape:
            static_cast<ArrowShape*>(w)->setColour(back);
            break;
        case ElementKind::Line:
            syncGeometry(e, w);
            break;
        default:
            break;
    }
}

void Host::Impl::syncAccessibility(Element& e, QWidget* w) {
    if (!e.accessibleName().empty())
        w->setAccessibleName(fromUtf8(e.accessibleName()));
    else if (e.kind() == ElementKind::Label)
        w->setAccessibleName(fromUtf8(e.caption()));
    if (!e.toolTip().empty()) w->setToolTip(fromUtf8(e.toolTip()));
}

void Host::Impl::sync(Element& e, Property p) {
    if (e.kind() == ElementKind::Timer) {
        if (p == Property::Enabled || p == Property::Interval) syncTimer(e);
        return;
    }
    if (e.kind() == ElementKind::Menu) {
        syncAction(e);
        return;
    }
    auto it = widgets.find(&e);
    if (it == widgets.end()) return;
    QWidget* w = it->second;
    switch (p) {
        case Property::Caption:
            syncCaption(e, w);
            break;
        case Property::Visible:
            w->setVisible(e.visible());
            break;
        case Property::Enabled:
            if (!e.enabled() && top->focusWidget() == w) passFocusOn(w);
            w->setEnabled(e.enabled());
            break;
        case Property::Geometry:
            syncGeometry(e, w);
            break;
        case Property::BackColor:
        case Property::ForeColor:
        case Property::Opaque:
            syncColours(e, w);
            break;
        case Property::Font:
            w->setFont(fontFor(e.fontName(), e.fontSize(), e.fontBold(), e.fontItalic()));
            break;
        case Property::Alignment:
            syncAlignment(e, w);
            break;
        case Property::Picture:
            syncPicture(e, w);
            break;
        case Property::Focus:
            giveFocus(w);
            break;
        case Property::Checked:
        case Property::Interval:
            break;
    }
}

void Host::Impl::syncCaption(Element& e, QWidget* w) {
    const QString caption = fromUtf8(e.caption());
    if (auto* label = dynamic_cast<TextLabel*>(w)) {
        label->setCaption(caption);
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        if (edit->text() != caption) edit->setText(caption);
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setText(withMnemonic(e));
    }
    syncAccessibility(e, w);
}

void Host::Impl::syncAlignment(Element& e, QWidget* w) {
    if (auto* label = dynamic_cast<TextLabel*>(w))
        label->setTextLayout(e.textLayout(), toQtAlignment(e.alignment()));
    else if (auto* edit = qobject_cast<QLineEdit*>(w))
        edit->setAlignment(toQtAlignment(e.alignment()) | Qt::AlignVCenter);
}

void Host::Impl::syncPicture(Element& e, QWidget* w) {
    if (auto* view = dynamic_cast<PictureView*>(w)) {
        view->setPictureName(fromUtf8(e.picture()));
        syncColours(e, w);
    } else if (auto* button = dynamic_cast<PictureButton*>(w)) {
        button->setPictureName(fromUtf8(e.picture()));
    }
    syncAccessibility(e, w);
}

void Host::Impl::giveFocus(QWidget* w) {
    w->setFocus(Qt::OtherFocusReason);
    // A text box given the focus selects its text, as a tab into it does, so that typing
    // replaces it.
    if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->selectAll();
}

void Host::Impl::syncAll(Element& e) {
    if (e.kind() == ElementKind::Timer) {
        syncTimer(e);
        return;
    }
    if (e.kind() == ElementKind::Menu) return;  // bound when the menus are built
    for (Property p :
         {Property::Caption, Property::Enabled, Property::Geometry, Property::BackColor,
          Property::Font, Property::Alignment, Property::Picture, Property::Visible})
        sync(e, p);
    auto it = widgets.find(&e);
    if (it != widgets.end()) syncAccessibility(e, it->second);
}

void Host::Impl::passFocusOn(QWidget* w) {
    // Qt would hand the focus on at once, while the handler may still be enabling the
    // control that comes next.
    w->clearFocus();
    QTimer::singleShot(0, top.get(), [this, from = QPointer<QWidget>(w)] { moveFocusOn(from); });
}

bool Host::Impl::takesTabFocus(QWidget* w) const {
    return w->window() == top.get() && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() &&
           w->isVisibleTo(top.get());
}

QWidget* Host::Impl::focusHolder() const {
    for (const Element* e : window.elements()) {
        if (!e->holdsFocus()) continue;
        auto it = widgets.find(e);
        if (it != widgets.end() && it->second->isVisibleTo(top.get())) return it->second;
    }
    return nullptr;
}

void Host::Impl::moveFocusOn(const QPointer<QWidget>& from) {
    if (!from || window.unloaded() || top->focusWidget()) return;
    // The same control when the handler has enabled it again, else the next one in tab
    // order that can take the focus; within the container that holds the keyboard, if any.
    QWidget* holder = focusHolder();
    if (holder && !holder->isAncestorOf(from)) holder = nullptr;
    QWidget* next = from;
    while (!takesTabFocus(next) || (holder && !holder->isAncestorOf(next))) {
        next = next->nextInFocusChain();
        if (!next || next == from) return;
    }
    next->setFocus(Qt::TabFocusReason);
}

void Host::Impl::placeOverOwner() {
    forms::Window* owner = window.owner();
    auto* ownerHost = owner ? dynamic_cast<Host*>(owner->observer()) : nullptr;
    if (!ownerHost) return;
    // A box of the owner's, a dialog in the window manager's eyes.
    formsqt::placeOverOwner(top.get(), ownerHost->widget());
}

void Host::Impl::help() {
    if (helpHandler && !window.helpFile().empty())
        helpHandler(window.helpFile(), window.helpContext());
}

Host::Host(forms::Window& window, const PictureProvider& pictures)
    : window_(window), d_(std::make_unique<Impl>(*this, window, pictures)) {
    d_->build();
    frame_ = std::make_unique<HostFrame>(*d_->top, window_);
    window_.setObserver(this);
    window_.setFrame(frame_.get());
}

Host::~Host() {
    if (window_.observer() == this) window_.setObserver(nullptr);
    window_.setFrame(nullptr);
    frame_.reset();
    d_->stopTimers();
    d_->top.reset();
}

QWidget* Host::widget() const {
    return d_->top.get();
}

QWidget* Host::widgetFor(const Element& element) const {
    auto it = d_->widgets.find(&element);
    if (it != d_->widgets.end()) return it->second;
    // An element of this window not yet on screen gets its widget now.
    const auto& elements = window_.elements();
    auto at = std::find(elements.begin(), elements.end(), &element);
    return at == elements.end() ? nullptr : d_->widgetOf(**at);
}

QAction* Host::actionFor(const Element& element) const {
    auto it = d_->actions.find(&element);
    return it == d_->actions.end() ? nullptr : it->second;
}

QTimer* Host::timerFor(const Element& element) const {
    auto it = d_->timers.find(&element);
    return it == d_->timers.end() ? nullptr : it->second;
}

void Host::show() {
    // A window held back until the window manager tells its frame is shown by the frame.
    if (d_->top->isVisible() || window_.unloaded() || frame_->holdsShow()) return;
    d_->placeOverOwner();
    d_->preparePictures();
    d_->top->show();
}

void Host::setHelpHandler(std::function<void(const std::string&, int)> handler) {
    d_->helpHandler = std::move(handler);
}

void Host::setClosedHandler(std::function<void()> handler) {
    d_->closedHandler = std::move(handler);
}

void Host::elementChanged(Element& element, Property property) {
    // An element without a widget is not on screen and needs none until it is shown (it,
    // or a container it lies in) or the focus is moved to it; the widget it gets then
    // takes every property as it stands.
    if (property == Property::Visible && element.visible()) d_->makeWidgetsShownBy(element);
    if (property == Property::Focus) d_->widgetOf(element);
    d_->sync(element, property);
}

void Host::windowCaptionChanged() {
    d_->top->setWindowTitle(fromUtf8(window_.caption()));
}

void Host::windowUnloaded() {
    d_->stopTimers();
    if (!d_->inCloseEvent) d_->top->close();
}

}  // namespace formsqt
