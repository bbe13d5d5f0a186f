#include "resources/artwork/Artwork.h"

#include <sys/stat.h>

#include <QCoreApplication>
#include <QMutexLocker>
#include <QPainter>
#include <QPixmap>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

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
    const char* label = nullptr;  // the text a button shows
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
     [](QPainter& p, const Drawing& d) { draw::tableIcon(p, d.size); }},
    {"icon-calculator",
     false,
     {32, 32},
     Fit::AtSize,
     false,
     [](QPainter& p, const Drawing& d) { draw::calculatorIcon(p, d.size); }},
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

// 64-bit FNV-1a, continued from `hash`.
quint64 fnv1a(const void* data, std::size_t size, quint64 hash = 14695981039346656037ull) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}

// What tells this build's pictures from another's: the running executable (where it lies,
// its size and when it was made) and the Qt that draws them.
quint64 buildStamp() {
    struct stat st {};
    if (::stat("/proc/self/exe", &st) != 0) return 0;
    const long long parts[] = {static_cast<long long>(st.st_dev), static_cast<long long>(st.st_ino),
                               static_cast<long long>(st.st_size), st.st_mtim.tv_sec,
                               st.st_mtim.tv_nsec};
    const std::string_view qt = qVersion();
    return fnv1a(qt.data(), qt.size(), fnv1a(parts, sizeof parts));
}

// A kept picture: this header, the picture's key (UTF-8), then its pixels, premultiplied
// ARGB, row after row.
struct FileHeader {
    char magic[8];
    quint64 build;
    qint32 width, height;
    double dpr;
    quint32 keyBytes;
    quint32 unused;
};
constexpr char Magic[8] = {'B', 'J', 'P', 'I', 'C', 'T', '1', '\n'};

}  // namespace

Artwork::Artwork(std::filesystem::path folder)
    : folder_(std::move(folder)), build_(folder_.empty() ? 0 : buildStamp()) {}

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
    const bool kept = !folder_.empty() && logicalSize.width() > 0 && logicalSize.height() > 0;
    if (kept) image = stored(key, deviceSize(logicalSize, usableRatio(dpr)), usableRatio(dpr));
    if (image.isNull()) {
        image = render(name, logicalSize, dpr, look);
        if (image.isNull()) return {};
        if (kept) store(key, image);
    }
    QPixmap pixmap = QPixmap::fromImage(std::move(image));
    if (cache_.size() >= MaxCached) cache_.clear();
    cache_.insert(key, pixmap);
    return pixmap;
}

namespace {
// The file that keeps the picture of `key`. Paths stay the system's bytes throughout, so a
// folder whose name is no UTF-8 serves as well as any.
std::filesystem::path keptFile(const std::filesystem::path& folder, const QString& key) {
    const QByteArray bytes = key.toUtf8();
    char name[32];
    std::snprintf(name, sizeof name, "%016llx.picture",
                  static_cast<unsigned long long>(fnv1a(bytes.data(), bytes.size())));
    return folder / name;
}

// Closes a file when it goes.
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;
}  // namespace

QImage Artwork::stored(const QString& key, QSize device, qreal dpr) const {
    // Only a regular file is opened: a pipe put in its place would never answer.
    const std::filesystem::path name = keptFile(folder_, key);
    struct stat info {};
    if (::stat(name.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
    const File file(std::fopen(name.c_str(), "rb"));
    if (!file) return {};
    const QByteArray keyBytes = key.toUtf8();
    const qint64 pixels = qint64(device.width()) * device.height() * 4;
    if (info.st_size != qint64(sizeof(FileHeader)) + keyBytes.size() + pixels) return {};
    FileHeader header;
    QByteArray storedKey(keyBytes.size(), Qt::Uninitialized);
    if (std::fread(&header, sizeof header, 1, file.get()) != 1) return {};
    if (std::memcmp(header.magic, Magic, sizeof Magic) != 0 || header.build != build_ ||
        header.width != device.width() || header.height != device.height() || header.dpr != dpr ||
        header.keyBytes != quint32(keyBytes.size()) ||
        std::fread(storedKey.data(), 1, storedKey.size(), file.get()) !=
            static_cast<std::size_t>(storedKey.size()) ||
        storedKey != keyBytes)
        return {};
    QImage image(device, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull() || image.sizeInBytes() != pixels ||
        std::fread(image.bits(), 1, static_cast<std::size_t>(pixels), file.get()) !=
            static_cast<std::size_t>(pixels))
        return {};
    image.setDevicePixelRatio(dpr);
    return image;
}

void Artwork::store(const QString& key, const QImage& image) const {
    // Written whole or not at all; a picture that cannot be kept is drawn again next time.
    if (image.format() != QImage::Format_ARGB32_Premultiplied ||
        image.bytesPerLine() != image.width() * 4)
        return;
    ::mkdir(folder_.c_str(), 0700);  // private to the user, as the folders above it
    const QByteArray keyBytes = key.toUtf8();
    FileHeader header{};
    std::memcpy(header.magic, Magic, sizeof Magic);
    header.build = build_;
    header.width = image.width();
    header.height = image.height();
    header.dpr = image.devicePixelRatio();
    header.keyBytes = quint32(keyBytes.size());
    // A file of this run's own beside it, then renamed over it: another run reads the old
    // file or the new one, never a part. Nothing is flushed to the disk: a file cut short by
    // a crash is no picture of the right size, and is passed over.
    const std::filesystem::path name = keptFile(folder_, key);
    std::filesystem::path part = name;
    part += "." + std::to_string(QCoreApplication::applicationPid());
    File file(std::fopen(part.c_str(), "wbx"));  // a new file of this run's own, or nothing
    if (!file) return;
    const auto bytes = static_cast<std::size_t>(image.sizeInBytes());
    bool written = std::fwrite(&header, sizeof header, 1, file.get()) == 1 &&
                   std::fwrite(keyBytes.constData(), 1, keyBytes.size(), file.get()) ==
                       static_cast<std::size_t>(keyBytes.size()) &&
                   std::fwrite(image.constBits(), 1, bytes, file.get()) == bytes;
    written = std::fclose(file.release()) == 0 && written;
    if (!written || std::rename(part.c_str(), name.c_str()) != 0) std::remove(part.c_str());
}

}  // namespace resources
