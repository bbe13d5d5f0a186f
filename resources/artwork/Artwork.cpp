#include "resources/artwork/Artwork.h"

#include <QMutexLocker>
#include <QPainter>
#include <QPixmap>
#include <cmath>

#include "resources/artwork/Drawing.h"

namespace resources {

namespace {

using formsqt::PictureLook;

// The largest picture drawn, in device pixels per side; a bigger request is drawn at this
// size so that a stray geometry cannot exhaust memory.
constexpr int MaxSide = 4096;
// Distinct pictures kept; the window asks for a few dozen, resizes add more.
constexpr qsizetype MaxCached = 600;

struct ButtonLabel {
    const char* name;
    const char* label;
};
constexpr ButtonLabel Buttons[] = {
    {"button-deal", "DEAL"},     {"button-hit", "HIT"},     {"button-stand", "STAND"},
    {"button-double", "DOUBLE"}, {"button-split", "SPLIT"}, {"button-yes", "YES"},
    {"button-no", "NO"},         {"button-ok", "OK"},
};

// Card number of "card-<n>", or 0.
int cardNumber(const QString& name) {
    if (!name.startsWith(QLatin1String("card-"))) return 0;
    const QString digits = name.mid(5);
    bool ok = false;
    const int n = digits.toInt(&ok);
    if (!ok || n < 1 || n > 52 || QString::number(n) != digits) return 0;
    return n;
}

const char* buttonLabel(const QString& name) {
    for (const ButtonLabel& b : Buttons)
        if (name == QLatin1String(b.name)) return b.label;
    return nullptr;
}

// The ratio a picture is drawn at: a ratio that is no number or not above zero counts as 1.
qreal usableRatio(qreal dpr) {
    return std::isfinite(dpr) && dpr > 0 ? dpr : 1;
}

// The device pixels of a picture of `logicalSize` at ratio `dpr`.
QSize deviceSize(QSizeF logicalSize, qreal dpr) {
    const auto side = [dpr](qreal logical) {
        const qreal d = std::ceil(logical * dpr - 0.01);
        return d >= MaxSide ? MaxSide : std::max(1, static_cast<int>(d));
    };
    return {side(logicalSize.width()), side(logicalSize.height())};
}

}  // namespace

Artwork::Artwork(const std::filesystem::path& folder) : store_(folder) {}

QStringList Artwork::names() {
    QStringList list;
    for (int n = 1; n <= 52; ++n) list << QStringLiteral("card-%1").arg(n);
    list << QStringLiteral("card-back") << QStringLiteral("table-felt") << QStringLiteral("felt")
         << QStringLiteral("odds-rows") << QStringLiteral("speech-bubble")
         << QStringLiteral("insurance-frame") << QStringLiteral("amount-panel");
    for (const ButtonLabel& b : Buttons) list << QString::fromLatin1(b.name);
    list << QStringLiteral("button-close") << QStringLiteral("lamp") << QStringLiteral("icon")
         << QStringLiteral("icon-calculator") << QStringLiteral("about");
    return list;
}

QSizeF Artwork::designSize(const QString& name) {
    // Twips of the window design at 15 per pixel.
    if (cardNumber(name) || name == QLatin1String("card-back")) return {71, 96};
    if (name == QLatin1String("table-felt")) return {640, 480};
    if (name == QLatin1String("felt")) return {221, 199};
    if (name == QLatin1String("odds-rows")) return {221, 96};
    if (name == QLatin1String("speech-bubble")) return {223, 140};
    if (name == QLatin1String("insurance-frame")) return {160, 82};
    if (name == QLatin1String("amount-panel")) return {275, 112};
    if (name == QLatin1String("button-ok") || name == QLatin1String("button-close"))
        return {75, 27};
    if (name == QLatin1String("button-yes") || name == QLatin1String("button-no")) return {65, 31};
    if (buttonLabel(name)) return {73, 38};
    if (name == QLatin1String("lamp")) return {16, 13};
    if (name == QLatin1String("icon") || name == QLatin1String("icon-calculator")) return {32, 32};
    if (name == QLatin1String("about")) return {444, 238};
    return {};
}

bool Artwork::hasLooks(const QString& name) {
    return buttonLabel(name) != nullptr || name == QLatin1String("button-close");
}

QImage Artwork::render(const QString& name, QSizeF logicalSize, qreal dpr, PictureLook look) {
    const QSizeF design = designSize(name);
    if (design.isEmpty()) return {};
    if (!(logicalSize.width() > 0) || !(logicalSize.height() > 0)) return {};
    dpr = usableRatio(dpr);
    const QSize device = deviceSize(logicalSize, dpr);

    QImage image(device, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(dpr);

    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                     QPainter::SmoothPixmapTransform);
    // Work in logical pixels of the picture; fixed designs are then stretched to the size.
    const QSizeF logical(device.width() / dpr, device.height() / dpr);
    const int n = cardNumber(name);
    const char* label = buttonLabel(name);
    const bool adaptive = label || name == QLatin1String("button-close") ||
                          name == QLatin1String("felt") || name == QLatin1String("speech-bubble") ||
                          name == QLatin1String("insurance-frame") ||
                          name == QLatin1String("amount-panel") || name == QLatin1String("lamp") ||
                          name == QLatin1String("icon") || name == QLatin1String("icon-calculator");
    if (!adaptive) p.scale(logical.width() / design.width(), logical.height() / design.height());

    if (n)
        draw::cardFace(p, n);
    else if (name == QLatin1String("card-back"))
        draw::cardBack(p);
    else if (name == QLatin1String("table-felt"))
        draw::tableFelt(p);
    else if (name == QLatin1String("felt"))
        draw::feltCover(p, logical);
    else if (name == QLatin1String("odds-rows"))
        draw::oddsRows(p);
    else if (name == QLatin1String("speech-bubble"))
        draw::speechBubble(p, logical);
    else if (name == QLatin1String("insurance-frame"))
        draw::insuranceFrame(p, logical);
    else if (name == QLatin1String("amount-panel"))
        draw::amountPanel(p, logical);
    else if (label)
        draw::button(p, logical, QString::fromLatin1(label), look);
    else if (name == QLatin1String("button-close"))
        draw::closeButton(p, logical, look);
    else if (name == QLatin1String("lamp"))
        draw::lamp(p, logical);
    else if (name == QLatin1String("icon"))
        draw::tableIcon(p, logical);
    else if (name == QLatin1String("icon-calculator"))
        draw::calculatorIcon(p, logical);
    else if (name == QLatin1String("about"))
        draw::about(p);
    p.end();
    return image;
}

QPixmap Artwork::picture(const QString& name, QSizeF logicalSize, qreal dpr,
                         PictureLook look) const {
    if (designSize(name).isEmpty()) return {};
    if (!hasLooks(name)) look = PictureLook::Normal;
    const QString key = QStringLiteral("%1|%2x%3@%4#%5")
                            .arg(name)
                            .arg(logicalSize.width(), 0, 'g', 12)
                            .arg(logicalSize.height(), 0, 'g', 12)
                            .arg(dpr, 0, 'g', 12)
                            .arg(static_cast<int>(look));
    QMutexLocker lock(&mutex_);
    if (const auto it = cache_.constFind(key); it != cache_.constEnd()) return *it;
    QImage image;
    const bool kept = store_.keeping() && logicalSize.width() > 0 && logicalSize.height() > 0;
    if (kept) image = store_.load(key, deviceSize(logicalSize, usableRatio(dpr)), usableRatio(dpr));
    if (image.isNull()) {
        image = render(name, logicalSize, dpr, look);
        if (image.isNull()) return {};
        if (kept) store_.save(key, image);
    }
    QPixmap pixmap = QPixmap::fromImage(std::move(image));
    if (cache_.size() >= MaxCached) cache_.clear();
    cache_.insert(key, pixmap);
    return pixmap;
}

}  // namespace resources
