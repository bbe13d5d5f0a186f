// Every picture the windows name is drawn at the size and ratio asked for; unknown names
// and empty sizes give nothing; pictures kept in a folder serve later runs.

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>

#include "resources/artwork/Artwork.h"

using formsqt::PictureLook;
using resources::Artwork;
using namespace std::string_literals;

namespace {

// The pixels of a picture, whatever format its pixmap keeps them in (an opaque one drops
// its alpha channel).
QImage pixelsOf(const QPixmap& pixmap) {
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

bool drawsSomething(const QImage& image) {
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            if (qAlpha(image.pixel(x, y)) != 0) return true;
    return false;
}

// What an icon drawn at a small size is made of, counted in its pixels.
struct IconPixels {
    int drawn = 0;    // not transparent
    int partial = 0;  // partly transparent: a blurred edge
    int dark = 0;     // an outline or a black pip
    int red = 0;      // a red pip
    int blue = 0;     // the badge
    int marks = 0;    // white within the badge on all four sides: its "%"
};

IconPixels countPixels(const QImage& picture) {
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    const auto isBlue = [&](int x, int y) {
        const QRgb c = image.pixel(x, y);
        return qAlpha(c) > 200 && qBlue(c) > 140 && qRed(c) < 100;
    };
    const auto anyBlue = [&](int x, int y, int dx, int dy) {
        for (x += dx, y += dy; image.rect().contains(x, y); x += dx, y += dy)
            if (isBlue(x, y)) return true;
        return false;
    };
    IconPixels n;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            const int r = qRed(c), g = qGreen(c), b = qBlue(c);
            if (qAlpha(c) == 0) continue;
            ++n.drawn;
            if (qAlpha(c) < 200) {
                ++n.partial;
                continue;
            }
            n.dark += std::max({r, g, b}) < 100;
            n.red += r > 150 && g < 90 && b < 90;
            n.blue += isBlue(x, y);
            n.marks += r > 200 && g > 200 && b > 200 && anyBlue(x, y, -1, 0) &&
                       anyBlue(x, y, 1, 0) && anyBlue(x, y, 0, -1) && anyBlue(x, y, 0, 1);
        }
    return n;
}

const char* const ContractNames[] = {
    "card-1",          "card-13",         "card-14",      "card-27",     "card-40",
    "card-52",         "card-back",       "table-felt",   "felt",        "odds-rows",
    "speech-bubble",   "insurance-frame", "amount-panel", "button-deal", "button-hit",
    "button-stand",    "button-double",   "button-split", "button-yes",  "button-no",
    "button-ok",       "button-close",    "lamp",         "icon",        "about",
    "icon-calculator",
};

}  // namespace

class ArtworkTest : public QObject {
    Q_OBJECT

private slots:
    void drawsEveryNameAtItsSize_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSizeF>("size");
        QTest::addColumn<qreal>("dpr");
        for (const char* name : ContractNames) {
            const QSizeF design = Artwork::designSize(QString::fromLatin1(name));
            for (const qreal dpr : {1.0, 2.0}) {
                QTest::addRow("%s design @%g", name, dpr)
                    << QString::fromLatin1(name) << design << dpr;
                QTest::addRow("%s stretched @%g", name, dpr)
                    << QString::fromLatin1(name) << QSizeF(design.width() * 1.5, 40.0) << dpr;
            }
        }
        QTest::addRow("fractional ratio")
            << QStringLiteral("card-5") << QSizeF(71, 96) << qreal(1.25);
    }
    void drawsEveryNameAtItsSize() {
        QFETCH(QString, name);
        QFETCH(QSizeF, size);
        QFETCH(qreal, dpr);
        const Artwork art;
        const QPixmap pixmap = art.picture(name, size, dpr, PictureLook::Normal);
        QVERIFY(!pixmap.isNull());
        QCOMPARE(pixmap.devicePixelRatio(), dpr);
        QCOMPARE(pixmap.size(),
                 QSize(qCeil(size.width() * dpr - 0.01), qCeil(size.height() * dpr - 0.01)));
        QVERIFY(drawsSomething(pixmap.toImage()));
    }

    void everyListedNameIsDrawn() {
        const Artwork art;
        const QStringList names = Artwork::names();
        for (const char* name : ContractNames) QVERIFY(names.contains(QLatin1String(name)));
        for (const QString& name : names)
            QVERIFY2(!art.picture(name, {30, 20}, 1, PictureLook::Normal).isNull(),
                     qPrintable(name));
    }

    void unknownNamesAndEmptySizesGiveNothing_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSizeF>("size");
        for (const char* name : {"", "card-0", "card-53", "card-01", "card-", "card-1x", "button-",
                                 "Table-Felt", "felt ", "nonsense"})
            QTest::addRow("name '%s'", name) << QString::fromLatin1(name) << QSizeF(71, 96);
        QTest::addRow("empty size") << QStringLiteral("card-1") << QSizeF(0, 0);
        QTest::addRow("no height") << QStringLiteral("table-felt") << QSizeF(640, 0);
        QTest::addRow("negative") << QStringLiteral("lamp") << QSizeF(-16, 13);
    }
    void unknownNamesAndEmptySizesGiveNothing() {
        QFETCH(QString, name);
        QFETCH(QSizeF, size);
        const Artwork art;
        QVERIFY(art.picture(name, size, 1, PictureLook::Normal).isNull());
        QVERIFY(art.picture(name, size, 2, PictureLook::Pressed).isNull());
    }

    void buttonsLookPressedAndDisabled() {
        const Artwork art;
        for (const char* name :
             {"button-deal", "button-hit", "button-stand", "button-double", "button-split",
              "button-yes", "button-no", "button-ok", "button-close"}) {
            const QString n = QString::fromLatin1(name);
            const QImage normal = art.picture(n, {73, 38}, 2, PictureLook::Normal).toImage();
            const QImage pressed = art.picture(n, {73, 38}, 2, PictureLook::Pressed).toImage();
            const QImage disabled = art.picture(n, {73, 38}, 2, PictureLook::Disabled).toImage();
            QVERIFY2(normal != pressed, name);
            QVERIFY2(normal != disabled, name);
            QVERIFY2(pressed != disabled, name);
        }
        // A picture without looks is the same in each.
        QCOMPARE(art.picture("card-7", {71, 96}, 1, PictureLook::Disabled).toImage(),
                 art.picture("card-7", {71, 96}, 1, PictureLook::Normal).toImage());
    }

    void cardsDifferFromEachOther() {
        const Artwork art;
        QList<QImage> seen;
        for (int n = 1; n <= 52; ++n) {
            const QImage card =
                art.picture(QStringLiteral("card-%1").arg(n), {71, 96}, 1, PictureLook::Normal)
                    .toImage();
            QVERIFY2(!seen.contains(card), qPrintable(QString::number(n)));
            seen << card;
        }
    }

    void panelGreyWhereTheOddsPanelLies() {
        const Artwork art;
        const QColor grey(64, 64, 64);
        // The odds panel's place on the table and the row captions' picture share one grey.
        const QImage table =
            art.picture("table-felt", {640, 480}, 2, PictureLook::Normal).toImage();
        QCOMPARE(table.pixelColor(2 * 620, 2 * 350), grey);
        QCOMPARE(table.pixelColor(2 * 414, 2 * 164), grey);
        const QImage rows = art.picture("odds-rows", {221, 96}, 1, PictureLook::Normal).toImage();
        QCOMPARE(rows.pixelColor(200, 90), grey);
        QCOMPARE(rows.pixelColor(2, 2), grey);
        // The lamp stands on a transparent ground.
        const QImage lamp = art.picture("lamp", {16, 13}, 1, PictureLook::Normal).toImage();
        QCOMPARE(qAlpha(lamp.pixel(0, 0)), 0);
        QVERIFY(qAlpha(lamp.pixel(8, 6)) > 200);
    }

    // At menu and panel sizes each icon is drawn for the pixel grid, not the fan scaled down
    // to a pale blob: crisp edges, dark outlines, the pips in their colours, and on the
    // calculator's a blue badge with a white "%" on it.
    void smallIconsRead_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("side");
        for (const char* name : {"icon", "icon-calculator"})
            for (const int side : {16, 24})
                QTest::addRow("%s %d", name, side) << QString::fromLatin1(name) << side;
    }
    void smallIconsRead() {
        QFETCH(QString, name);
        QFETCH(int, side);
        const QImage icon = Artwork::render(name, QSizeF(side, side), 1);
        const IconPixels n = countPixels(icon);
        QVERIFY2(n.drawn > side * side / 2, qPrintable(QString::number(n.drawn)));
        QVERIFY2(n.partial * 5 < n.drawn, qPrintable(QString::number(n.partial)));
        QVERIFY2(n.dark * 10 >= n.drawn, qPrintable(QString::number(n.dark)));
        if (name == QLatin1String("icon")) {
            QVERIFY2(n.red * 20 >= n.drawn, qPrintable(QString::number(n.red)));
        } else {
            QVERIFY2(n.blue * 6 >= n.drawn, qPrintable(QString::number(n.blue)));
            QVERIFY2(n.marks >= side / 2, qPrintable(QString::number(n.marks)));
        }
        // Larger icons are the same drawing scaled, the calculator's with its badge.
        const IconPixels large = countPixels(Artwork::render(name, QSizeF(32, 32), 1));
        QCOMPARE(large.blue > 0, name != QLatin1String("icon"));
        QVERIFY(icon != Artwork::render(name == QLatin1String("icon") ? "icon-calculator" : "icon",
                                        QSizeF(side, side), 1));
    }

    // An icon at a size the build draws it at is read from the build's file, the first of
    // the folders that has one; at any other size or ratio, or where the file is no picture
    // of that size or no regular file, it is drawn.
    void iconsComeFromTheBuildsFiles() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString empty = dir.filePath(QStringLiteral("empty"));
        const QString theme = dir.filePath(QStringLiteral("theme"));
        QVERIFY(QDir().mkpath(empty));
        const auto put = [&theme](const QString& name, int side, const QImage& image) {
            const QString file = theme + QLatin1Char('/') + Artwork::iconFile(name, side);
            QVERIFY(QDir().mkpath(QFileInfo(file).path()));
            QVERIFY(image.save(file));
        };
        QImage marked(32, 32, QImage::Format_ARGB32_Premultiplied);
        marked.fill(Qt::magenta);
        put("icon", 32, marked);
        put("icon", 48, marked);  // no picture of 48 pixels
        const QString pipe = theme + QLatin1Char('/') + Artwork::iconFile("icon-calculator", 32);
        QVERIFY(QDir().mkpath(QFileInfo(pipe).path()));
        QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);

        const Artwork art({}, {empty.toStdString(), theme.toStdString()});
        const auto asked = [&art](const char* name, qreal side, qreal dpr) {
            return art.picture(name, {side, side}, dpr, PictureLook::Normal)
                .toImage()
                .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        };
        QCOMPARE(asked("icon", 32, 1), marked);
        QCOMPARE(asked("icon", 32, 2), Artwork::render("icon", {32, 32}, 2));
        QCOMPARE(asked("icon", 48, 1), Artwork::render("icon", {48, 48}, 1));
        QCOMPARE(asked("icon", 24, 1), Artwork::render("icon", {24, 24}, 1));
        QCOMPARE(asked("icon-calculator", 32, 1), Artwork::render("icon-calculator", {32, 32}, 1));
        QCOMPARE(Artwork::iconFile("lamp", 16), QString());
        QCOMPARE(Artwork::iconFile("icon-calculator", 16),
                 QStringLiteral("16x16/apps/oddsdesk.png"));
    }

    // A folder of kept pictures: a picture drawn in one run is taken from its file in the
    // next, and a file that is not this build's undamaged picture of that name and size is
    // passed over, drawn again and kept in its place.
    void keptPicturesServeLaterRuns_data() {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<bool>("taken");
        for (const char* damage :
             {"none", "cut short", "one byte more", "other magic", "other build", "other width",
              "other ratio", "other key", "first pixel", "last pixel", "checksum"})
            QTest::addRow("%s", damage) << QString::fromLatin1(damage) << (damage == "none"s);
    }
    void keptPicturesServeLaterRuns() {
        QFETCH(QString, damage);
        QFETCH(bool, taken);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString folder = dir.filePath(QStringLiteral("pictures"));
        const QImage drawn = Artwork::render("button-deal", {73, 38}, 2);
        QCOMPARE(Artwork(folder.toStdString())
                     .picture("button-deal", {73, 38}, 2, PictureLook::Normal)
                     .toImage(),
                 drawn);
        const QStringList files = QDir(folder).entryList(QDir::Files);
        QCOMPARE(files.size(), 1);
        const QString path = folder + QLatin1Char('/') + files.front();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray bytes = file.readAll();
        file.close();

        // Header: magic, build, width, height, ratio, key length, a word unused, checksum;
        // then the key and the pixels. A pixel damaged shows as noise when taken.
        const qsizetype pixels = qsizetype(drawn.sizeInBytes());
        const auto patch = [&bytes](qsizetype at, auto value) {
            std::memcpy(bytes.data() + at, &value, sizeof value);
        };
        if (damage == QLatin1String("cut short")) bytes.chop(1);
        if (damage == QLatin1String("one byte more")) bytes.append('\0');
        if (damage == QLatin1String("other magic")) bytes[0] = 'X';
        if (damage == QLatin1String("other build")) bytes[8] = char(bytes[8] ^ 1);
        if (damage == QLatin1String("other width")) patch(16, qint32(drawn.width() - 1));
        if (damage == QLatin1String("other ratio")) patch(24, 1.0);
        if (damage == QLatin1String("other key")) bytes[48] = 'X';
        if (damage == QLatin1String("first pixel")) patch(bytes.size() - pixels, 0x80402010u);
        if (damage == QLatin1String("last pixel")) bytes[bytes.size() - 1] ^= 0x10;
        if (damage == QLatin1String("checksum")) bytes[40] = char(bytes[40] ^ 1);
        if (damage != QLatin1String("none")) {
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QCOMPARE(file.write(bytes), bytes.size());
            file.close();
        }
        const auto fileId = [&path] {
            struct stat info {};
            return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
        };
        const ino_t before = fileId();

        // Taken, the file stays as it is; passed over, the picture is drawn as it should be
        // and a new file takes the old one's place, to be taken by the next run.
        QCOMPARE(Artwork(folder.toStdString())
                     .picture("button-deal", {73, 38}, 2, PictureLook::Normal)
                     .toImage(),
                 drawn);
        const ino_t after = fileId();
        QVERIFY(after != 0);
        QCOMPARE(after == before, taken);
        QCOMPARE(Artwork(folder.toStdString())
                     .picture("button-deal", {73, 38}, 2, PictureLook::Normal)
                     .toImage(),
                 drawn);
        QCOMPARE(fileId(), after);
        QCOMPARE(QDir(folder).entryList(QDir::Files), files);
    }

    // The folder's name is taken as the system's bytes: one that is no UTF-8 keeps the
    // pictures as well as any.
    // What is drawn before the first frame is written once the frame is on the screen (or
    // the artwork ends); what is drawn later, once the event that drew it has ended.
    void keptPicturesAreWrittenAfterTheFirstFrame() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString folder = dir.filePath(QStringLiteral("pictures"));
        const auto kept = [&folder] { return QDir(folder).entryList(QDir::Files).size(); };
        {
            const Artwork art(folder.toStdString());
            QVERIFY(!art.picture("lamp", {16, 13}, 1, PictureLook::Normal).isNull());
            QVERIFY(!art.picture("lamp", {16, 13}, 2, PictureLook::Normal).isNull());
            QCOMPARE(kept(), 0);
            art.framePainted();
            QCOMPARE(kept(), 2);
            QVERIFY(!art.picture("card-7", {71, 96}, 1, PictureLook::Normal).isNull());
            QCOMPARE(kept(), 2);
            QTRY_COMPARE(kept(), 3);
            QVERIFY(!art.picture("card-8", {71, 96}, 1, PictureLook::Normal).isNull());
        }
        QCOMPARE(kept(), 4);  // kept as the artwork ends, before its event loop came round
    }

    void keptPicturesLieInAFolderNamedInNoUtf8() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const std::filesystem::path folder =
            std::filesystem::path(QFile::encodeName(dir.path()).toStdString()) / "pictures\xff";
        const QImage drawn = Artwork::render("button-deal", {73, 38}, 2);
        QCOMPARE(Artwork(folder).picture("button-deal", {73, 38}, 2, PictureLook::Normal).toImage(),
                 drawn);
        int kept = 0;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
            kept +=
                entry.is_regular_file() && entry.file_size() > std::uintmax_t(drawn.sizeInBytes());
        QCOMPARE(kept, 1);
        QCOMPARE(Artwork(folder).picture("button-deal", {73, 38}, 2, PictureLook::Normal).toImage(),
                 drawn);
    }

    void picturesAreDrawnWhereNoneCanBeKept() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString blocked = dir.filePath(QStringLiteral("file"));
        QFile plain(blocked);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        const Artwork art((blocked + QStringLiteral("/pictures")).toStdString());
        QCOMPARE(art.picture("lamp", {16, 13}, 1, PictureLook::Normal).toImage(),
                 Artwork::render("lamp", {16, 13}, 1));
    }

    // Pictures asked for ahead are drawn away from the caller, and what picture() then gives
    // is what it draws when asked: the same pixels at the same ratio, kept once the first
    // frame is painted as any other. One asked for before its turn, or never asked for,
    // does no harm. A later run reads the kept files and draws none of them again.
    void picturesDrawnAheadAreThoseDrawnWhenAsked() {
        struct Ask {
            const char* name;
            QSizeF size;
            qreal dpr;
            PictureLook look;
        };
        const Ask asks[] = {{"table-felt", {640, 480}, 1, PictureLook::Normal},
                            {"button-hit", {73, 38}, 2, PictureLook::Disabled},
                            {"card-40", {71, 96}, 1.25, PictureLook::Normal},
                            {"icon", {256, 256}, 1, PictureLook::Normal},
                            {"speech-bubble", {223, 140}, 1.5, PictureLook::Normal}};
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString folder = dir.filePath(QStringLiteral("pictures"));
        const auto files = [&folder] {
            QStringList ids;
            for (const QFileInfo& info : QDir(folder).entryInfoList(QDir::Files)) {
                struct stat st {};
                if (::stat(QFile::encodeName(info.filePath()).constData(), &st) == 0)
                    ids << info.fileName() + QLatin1Char(':') + QString::number(st.st_ino);
            }
            return ids;
        };
        {
            const Artwork art(folder.toStdString());
            for (const Ask& a : asks) art.prepare(a.name, a.size, a.dpr, a.look);
            art.prepare("nonsense", {10, 10}, 1, PictureLook::Normal);
            art.prepare("card-1", {0, 0}, 1, PictureLook::Normal);
            art.prepare("lamp", {16, 13}, 1, PictureLook::Normal);  // never asked for
            // The last first: some are taken before their turn, some while being drawn.
            for (auto a = std::rbegin(asks); a != std::rend(asks); ++a) {
                const QPixmap pixmap = art.picture(a->name, a->size, a->dpr, a->look);
                QCOMPARE(pixmap.devicePixelRatio(), a->dpr);
                QCOMPARE(pixelsOf(pixmap), Artwork::render(a->name, a->size, a->dpr, a->look));
            }
            QVERIFY(art.picture("nonsense", {10, 10}, 1, PictureLook::Normal).isNull());
            QVERIFY(files().isEmpty());
            art.framePainted();
            QCOMPARE(files().size(), qsizetype(std::size(asks)));
        }
        const QStringList kept = files();
        QCOMPARE(kept.size(), qsizetype(std::size(asks)));
        {
            const Artwork later(folder.toStdString());
            for (const Ask& a : asks) later.prepare(a.name, a.size, a.dpr, a.look);
            for (const Ask& a : asks)
                QCOMPARE(pixelsOf(later.picture(a.name, a.size, a.dpr, a.look)),
                         Artwork::render(a.name, a.size, a.dpr, a.look));
            later.framePainted();
        }
        // Taken from the files, nothing was drawn and written again.
        QCOMPARE(files(), kept);
    }

    // An artwork that goes with pictures still to be drawn ahead ends at once; one whose
    // drawing threads have ended for want of work starts others when asked again.
    void drawingAheadEndsWithTheArtwork() {
        {
            const Artwork art;
            for (int n = 1; n <= 52; ++n)
                art.prepare(QStringLiteral("card-%1").arg(n), {71, 96}, 2, PictureLook::Normal);
        }
        const Artwork art;
        art.prepare("card-1", {71, 96}, 2, PictureLook::Normal);
        QCOMPARE(pixelsOf(art.picture("card-1", {71, 96}, 2, PictureLook::Normal)),
                 Artwork::render("card-1", {71, 96}, 2));
        art.prepare("table-felt", {640, 480}, 1, PictureLook::Normal);
        QCOMPARE(pixelsOf(art.picture("table-felt", {640, 480}, 1, PictureLook::Normal)),
                 Artwork::render("table-felt", {640, 480}, 1));
    }

    void oversizedRequestsAreBounded() {
        const Artwork art;
        const QPixmap big = art.picture("felt", {1e9, 10}, 2, PictureLook::Normal);
        QVERIFY(!big.isNull());
        QCOMPARE(big.width(), 4096);
        const QPixmap odd = art.picture("lamp", {16, 13}, std::nan(""), PictureLook::Normal);
        QCOMPARE(odd.devicePixelRatio(), 1.0);
    }
};

QTEST_MAIN(ArtworkTest)
#include "ArtworkTest.moc"
