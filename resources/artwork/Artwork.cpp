#include "resources/artwork/Artwork.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QPainter>
#include <QPixmap>
#include <cerrno>
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

// The card faces are "card-1" to "card-52".
constexpr int CardCount = 52;

// How a picture meets the size its element asks for: drawn at its design size and stretched,
// or drawn anew at the size asked, so that its lines and text stay as thin and sharp as
// designed at every size.
enum class Fit { Stretched, AtSize };

// What a drawing routine is told: the size it fills (the design size of a stretched
// picture), the look asked for, the card of a card face and the text of a button.
struct Drawing {
    QSizeF size;
    PictureLook look;
    int number;
    const char* label;
};

// Every picture the programs show, in the order names() lists them.
struct Picture {
    const char* name;  // the name; with `numbered`, the name before a card's number
    bool numbered;
    QSizeF design;  // the size of its element on the window, in logical pixels
    Fit fit;
    bool looks;  // whether it has distinct pressed and disabled looks
    void (*draw)(QPainter&, const Drawing&);
    const char* label = nullptr;    // the text a button shows
    const char* program = nullptr;  // the program whose icon it is
};

void drawButton(QPainter& p, const Drawing& d) {
    draw::button(p, d.size, QString::fromLatin1(d.label), d.look);
}

// Design sizes are the window design's twips at 15 per pixel.
const Picture Pictures[] = {
    {"card-",
     true,
     {71, 96},
     Fit::Stretched,
     false,
     [](QPainter& p, const Drawing& d) { draw::cardFace(p, d.number); }},
    {"card-back",
     false,
     {71, 96},
     Fit::Stretched,
     false,
     [](QPainter& p, const Drawing&) { draw::cardBack(p); }},
    {"table-felt",
     false,
     {640, 480},
     Fit::Stretched,
     false,
     [](QPainter& p, const Drawing&) { draw::tableFelt(p); }},
    {"felt",
     false,
     {221, 199},
     Fit::AtSize,
     false,
     [](QPainter& p, const Drawing& d) { draw::feltCover(p, d.size); }},
    {"odds-rows",
     false,
     {221, 96},
     Fit::Stretched,
     false,
     [](QPainter& p, const Drawing&) { draw::oddsRows(p); }},
    {"speech-bubble",
     false,
     {223, 140},
     Fit::AtSize,
     false,
     [](QPainter& p, const Drawing& d) { draw::speechBubble(p, d.size); }},
    {"insurance-frame",
     false,
     {160, 82},
     Fit::AtSize,
     false,
     [](QPainter& p, const Drawing& d) { draw::insuranceFrame(p, d.size); }},
    {"amount-panel",
     false,
     {275, 112},
     Fit::AtSize,
     false,
     [](QPainter& p, const Drawing& d) { draw::amountPanel(p, d.size); }},
    {"button-deal", false, {73, 38}, Fit::AtSize, true, drawButton, "DEAL"},
    {"button-hit", false, {73, 38}, Fit::AtSize, true, drawButton, "HIT"},
    {"button-stand", false, {73, 38}, Fit::AtSize, true, drawButton, "STAND"},
    {"button-double", false, {73, 38}, Fit::AtSize, true, drawButton, "DOUBLE"},
    {"button-split", false, {73, 38}, Fit::AtSize, true, drawButton, "SPLIT"},
    {"button-yes", false, {65, 31}, Fit::AtSize, true, drawButton, "YES"},
    {"button-no", false, {65, 31}, Fit::AtSize, true, drawButton, "NO"},
    {"button-ok", false, {75, 27}, Fit::AtSize, true, drawButton, "OK"},
    {"button-close",
     false,
     {75, 27},
     Fit::AtSize,
     true,
     [](QPainter& p, const Drawing& d) { draw::closeButton(p, d.size, d.look); }},
    {"lamp",
     false,
     {16, 13},
     Fit::AtSize,
     false,
     [](QPainter& p, const Drawing& d) { draw::lamp(p, d.size); }},
    {"icon",
     false,
     {32, 32},
     Fit::AtSize,
     false,
     [](QPainter& p, const Drawing& d) { draw::tableIcon(p, d.size); },
     nullptr,
     "cardtable"},
    {"icon-calculator",
     false,
     {32, 32},
     Fit::AtSize,
     false,
     [](QPainter& p, const Drawing& d) { draw::calculatorIcon(p, d.size); },
     nullptr,
     "oddsdesk"},
    {"about",
     false,
     {444, 238},
     Fit::Stretched,
     false,
     [](QPainter& p, const Drawing&) { draw::about(p); }},
};

// The picture a name asks for, with the card's number of a card face; no picture for an
// unknown name.
struct Found {
    const Picture* picture = nullptr;
    int number = 0;
};

Found find(const QString& name) {
    for (const Picture& picture : Pictures) {
        const QLatin1String own(picture.name);
        if (!picture.numbered) {
            if (name == own) return {&picture, 0};
            continue;
        }
        // "card-<n>" with n from 1 to 52 written plainly: no sign, no leading zero.
        if (!name.startsWith(own)) continue;
        const QString digits = name.mid(own.size());
        bool ok = false;
        const int n = digits.toInt(&ok);
        if (ok && n >= 1 && n <= CardCount && QString::number(n) == digits) return {&picture, n};
    }
    return {};
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

namespace {

// The largest icon file read: the icons the build makes are a few kilobytes each.
constexpr off_t MaxIconFile = off_t(4) << 20;

// The picture of the icon file `file`, or a null image: a regular file (a pipe put in its
// place is not waited for) holding a PNG of `side` pixels square.
QImage readIconFile(const std::filesystem::path& file, int side) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return {};
    struct stat info {};
    QByteArray bytes;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
        info.st_size <= MaxIconFile) {
        bytes.resize(qsizetype(info.st_size));
        qsizetype got = 0;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, std::size_t(bytes.size() - got));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += n;
        }
        bytes.truncate(got);
    }
    ::close(fd);
    QImage image = QImage::fromData(bytes, "PNG");
    if (image.size() != QSize(side, side)) return {};
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

}  // namespace

QString Artwork::iconFile(const QString& name, int side) {
    const Picture* picture = find(name).picture;
    if (!picture || !picture->program || side <= 0) return {};
    return QStringLiteral("%1x%1/apps/%2.png").arg(side).arg(QLatin1String(picture->program));
}

namespace {
QImage drawRequest(const DrawAhead::Request& r) {
    return Artwork::render(r.name, r.size, r.dpr, r.look);
}
}  // namespace

Artwork::Artwork() : ahead_(drawRequest) {}

Artwork::Artwork(const std::filesystem::path& folder,
                 std::vector<std::filesystem::path> iconFolders)
    : store_(folder), iconFolders_(std::move(iconFolders)), ahead_(drawRequest) {}

QImage Artwork::madeByTheBuild(const QString& name, QSizeF logicalSize, qreal dpr) const {
    // The build draws each icon at the sizes a desktop shows it at, one pixel a pixel.
    const int side = qRound(logicalSize.width());
    if (dpr != 1 || logicalSize.width() != side || logicalSize.height() != side) return {};
    const QString relative = iconFile(name, side);
    if (relative.isEmpty()) return {};
    for (const std::filesystem::path& folder : iconFolders_) {
        QImage image = readIconFile(folder / relative.toStdString(), side);
        if (!image.isNull()) return image;
    }
    return {};
}

Artwork::~Artwork() {
    keepDrawn();
}

QStringList Artwork::names() {
    QStringList list;
    for (const Picture& picture : Pictures) {
        if (picture.numbered)
            for (int n = 1; n <= CardCount; ++n)
                list << QString::fromLatin1(picture.name) + QString::number(n);
        else
            list << QString::fromLatin1(picture.name);
    }
    return list;
}

QSizeF Artwork::designSize(const QString& name) {
    const Picture* picture = find(name).picture;
    return picture ? picture->design : QSizeF();
}

bool Artwork::hasLooks(const QString& name) {
    const Picture* picture = find(name).picture;
    return picture && picture->looks;
}

QImage Artwork::render(const QString& name, QSizeF logicalSize, qreal dpr, PictureLook look) {
    const Found found = find(name);
    if (!found.picture) return {};
    if (!(logicalSize.width() > 0) || !(logicalSize.height() > 0)) return {};
    dpr = usableRatio(dpr);
    const QSize device = deviceSize(logicalSize, dpr);

    QImage image(device, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(dpr);

    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                     QPainter::SmoothPixmapTransform);
    // Work in logical pixels of the picture; a fixed design is stretched to the size asked.
    const QSizeF logical(device.width() / dpr, device.height() / dpr);
    const QSizeF design = found.picture->design;
    const bool stretched = found.picture->fit == Fit::Stretched;
    if (stretched) p.scale(logical.width() / design.width(), logical.height() / design.height());
    found.picture->draw(p,
                        {stretched ? design : logical, look, found.number, found.picture->label});
    p.end();
    return image;
}

namespace {
// What names a picture in the caches and in the folder: name, size, ratio and look.
QString pictureKey(const QString& name, QSizeF logicalSize, qreal dpr, PictureLook look) {
    return QStringLiteral("%1|%2x%3@%4#%5")
        .arg(name)
        .arg(logicalSize.width(), 0, 'g', 12)
        .arg(logicalSize.height(), 0, 'g', 12)
        .arg(dpr, 0, 'g', 12)
        .arg(static_cast<int>(look));
}

bool keepable(QSizeF logicalSize) {
    return logicalSize.width() > 0 && logicalSize.height() > 0;
}
}  // namespace

QImage Artwork::found(const QString& key, const QString& name, QSizeF logicalSize,
                      qreal dpr) const {
    QImage image = madeByTheBuild(name, logicalSize, dpr);
    if (image.isNull() && store_.keeping() && keepable(logicalSize))
        image = store_.load(key, deviceSize(logicalSize, usableRatio(dpr)), usableRatio(dpr));
    return image;
}

QPixmap Artwork::cached(const QString& key, QImage image) const {
    QPixmap pixmap = QPixmap::fromImage(std::move(image));
    if (cache_.size() >= MaxCached) cache_.clear();
    cache_.insert(key, pixmap);
    return pixmap;
}

QPixmap Artwork::picture(const QString& name, QSizeF logicalSize, qreal dpr,
                         PictureLook look) const {
    if (designSize(name).isEmpty()) return {};
    if (!hasLooks(name)) look = PictureLook::Normal;
    const QString key = pictureKey(name, logicalSize, dpr, look);
    if (const auto it = cache_.constFind(key); it != cache_.constEnd()) return *it;
    // One drawn ahead was in no file when it was queued.
    QImage image = ahead_.take(key);
    bool drawn = !image.isNull();
    if (!drawn) image = found(key, name, logicalSize, dpr);
    if (image.isNull()) {
        image = render(name, logicalSize, dpr, look);
        if (image.isNull()) return {};
        drawn = true;
    }
    if (drawn && store_.keeping() && keepable(logicalSize)) keepLater(key, image);
    return cached(key, std::move(image));
}

void Artwork::prepare(const QString& name, QSizeF logicalSize, qreal dpr, PictureLook look) const {
    if (designSize(name).isEmpty() || !keepable(logicalSize)) return;
    if (!hasLooks(name)) look = PictureLook::Normal;
    const QString key = pictureKey(name, logicalSize, dpr, look);
    if (cache_.contains(key)) return;
    // A picture the files have is read here, as picture() would read it, and not drawn.
    if (QImage image = found(key, name, logicalSize, dpr); !image.isNull()) {
        cached(key, std::move(image));
        return;
    }
    ahead_.ask(key, {name, logicalSize, dpr, look});
}

void Artwork::keepLater(const QString& key, const QImage& image) const {
    toKeep_.emplace_back(key, image);
    // Before the first frame the window is told when it is on the screen; after it, the
    // files are written as soon as the event that drew the picture has ended.
    if (!framePainted_ || !QCoreApplication::instance()) return;
    if (!keepSoon_) {
        keepSoon_ = std::make_unique<QTimer>();
        keepSoon_->setSingleShot(true);
        QObject::connect(keepSoon_.get(), &QTimer::timeout, [this] { keepDrawn(); });
    }
    if (!keepSoon_->isActive()) keepSoon_->start(0);
}

void Artwork::framePainted() const {
    framePainted_ = true;
    keepDrawn();
}

void Artwork::keepDrawn() const {
    if (keepSoon_) keepSoon_->stop();
    for (const auto& [key, image] : std::exchange(toKeep_, {})) store_.save(key, image);
}

}  // namespace resources
