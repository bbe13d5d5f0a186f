// The folder of kept pictures: a run ended while writing leaves nothing there for good, the
// folder stays within its bound, a folder others could write to is not used, and a kept name
// that is no regular file is passed over without waiting.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <cstdint>
#include <ctime>

#include "resources/artwork/Artwork.h"
#include "resources/artwork/PictureStore.h"

using resources::PictureStore;

namespace {

constexpr QSize Side{16, 16};

QImage plain(QRgb colour) {
    QImage image(Side, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

QByteArray path(const QString& file) {
    return QFile::encodeName(file);
}

QStringList namesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// The name a save added to `folder`.
QString added(const QString& folder, const QStringList& before) {
    QStringList names = namesIn(folder);
    for (const QString& name : before) names.removeOne(name);
    return names.size() == 1 ? names.front() : QString();
}

void setUsed(const QString& file, std::time_t when) {
    const timespec times[2] = {{when, 0}, {when, 0}};
    QVERIFY(::utimensat(AT_FDCWD, path(file).constData(), times, AT_SYMLINK_NOFOLLOW) == 0);
}

// A process id that no process has: a child that has ended and been waited for.
pid_t endedProcess() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

}  // namespace

class PictureStoreTest : public QObject {
    Q_OBJECT

private slots:
    // While a picture is written nothing shows under its name, and unnamed files leave no
    // name at all; part files left by runs that have ended go at the next write, those of a
    // run still going stay.
    void writesLeaveNothingBehind_data() {
        QTest::addColumn<bool>("unnamed");
        QTest::addRow("unnamed files") << true;
        QTest::addRow("part files") << false;
    }
    void writesLeaveNothingBehind() {
        QFETCH(bool, unnamed);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString folder = dir.filePath(QStringLiteral("pictures"));
        QVERIFY(QDir().mkdir(folder));
        const QString ended =
            QStringLiteral("%1-%1.picture.%2").arg("0123456789abcdef").arg(endedProcess());
        const QString going = QStringLiteral("0123456789abcdef.picture.1");
        for (const QString& name : {ended, going}) {
            QFile part(folder + QLatin1Char('/') + name);
            QVERIFY(part.open(QIODevice::WriteOnly));
            part.write("part of a picture");
        }
        // A folder whose file system has no unnamed files falls back on part files.
        const int probe = ::open(path(folder).constData(), O_TMPFILE | O_WRONLY, 0600);
        if (probe >= 0) ::close(probe);
        const bool named = !unnamed || probe < 0;

        QStringList whileWriting;
        PictureStore::Options options;
        options.unnamedFiles = unnamed;
        options.whileWriting = [&] { whileWriting = namesIn(folder); };
        PictureStore store(folder.toStdString(), options);
        store.save(QStringLiteral("key"), plain(qRgb(10, 20, 30)));

        QCOMPARE(whileWriting.size(), named ? 2 : 1);
        QVERIFY(whileWriting.contains(going));
        if (named)
            QVERIFY(whileWriting.filter(QStringLiteral(".picture.%1").arg(::getpid())).size() == 1);
        const QStringList after = namesIn(folder);
        QCOMPARE(after.size(), 2);
        QVERIFY(after.contains(going));
        QVERIFY(after
                    .filter(QRegularExpression(QStringLiteral("^[0-9a-f]{16}-[0-9a-f]{16}"
                                                              "\\.picture$")))
                    .size() == 1);
        QCOMPARE(store.load(QStringLiteral("key"), Side, 1), plain(qRgb(10, 20, 30)));
    }

    // Past the bound the pictures used longest ago go, a picture taken counting as used;
    // files of other builds go at once; files that are not the folder's pictures stay; a
    // picture larger than the bound is not kept.
    void folderStaysWithinItsBound() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString folder = dir.filePath(QStringLiteral("pictures"));
        const QString ownFolder = folder + QLatin1Char('/');
        const std::uint64_t fileBytes = 48 + 1 + Side.width() * Side.height() * 4;
        PictureStore::Options options;
        options.bound = 3 * fileBytes;
        QStringList names;
        {
            PictureStore earlier(folder.toStdString(), options);
            for (const char* key : {"a", "b", "c"}) {
                const QStringList before = namesIn(folder);
                earlier.save(QString::fromLatin1(key), plain(qRgb(key[0], 0, 0)));
                names << added(folder, before);
                QVERIFY(!names.back().isEmpty());
            }
        }
        const std::time_t now = std::time(nullptr);
        setUsed(ownFolder + names[0], now - 3 * 86400);
        setUsed(ownFolder + names[1], now - 2 * 86400);
        setUsed(ownFolder + names[2], now - 1 * 86400);
        // Another build's picture of "a", one of an older kind, and a file of the user's.
        QString otherBuild = names[0];
        otherBuild[0] = otherBuild[0] == QLatin1Char('0') ? QLatin1Char('1') : QLatin1Char('0');
        for (const QString& name :
             {otherBuild, QStringLiteral("0123456789abcdef.picture"), QStringLiteral("notes")})
            QVERIFY(QFile::copy(ownFolder + names[0], ownFolder + name));

        PictureStore later(folder.toStdString(), options);
        QCOMPARE(later.load(QStringLiteral("a"), Side, 1), plain(qRgb('a', 0, 0)));
        const QStringList before = namesIn(folder);
        later.save(QStringLiteral("d"), plain(qRgb('d', 0, 0)));
        const QString d = added(folder, before);
        // "b", used longest ago, is gone; "a" was taken in this run.
        QStringList expected{names[0], names[2], d, QStringLiteral("notes")};
        expected.sort();
        QCOMPARE(namesIn(folder), expected);
        QVERIFY(later.load(QStringLiteral("b"), Side, 1).isNull());

        // Each later picture pushes out the one used longest ago, counting those taken since.
        QCOMPARE(later.load(QStringLiteral("c"), Side, 1), plain(qRgb('c', 0, 0)));
        later.save(QStringLiteral("e"), plain(qRgb('e', 0, 0)));
        QVERIFY(!QFile::exists(ownFolder + names[0]));
        QVERIFY(QFile::exists(ownFolder + names[2]));

        QImage large(QSize(64, 64), QImage::Format_ARGB32_Premultiplied);
        large.fill(Qt::red);
        later.save(QStringLiteral("large"), large);
        QVERIFY(later.load(QStringLiteral("large"), large.size(), 1).isNull());
        QCOMPARE(namesIn(folder).size(), 4);
    }

    // Only a directory of the user's own that no one else can write to holds pictures.
    void folderOthersCanWriteToIsNotUsed_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("used");
        QTest::addRow("private") << QStringLiteral("0700") << true;
        QTest::addRow("readable by all") << QStringLiteral("0755") << true;
        QTest::addRow("writable by all") << QStringLiteral("0777") << false;
        QTest::addRow("writable by the group") << QStringLiteral("0770") << false;
        QTest::addRow("a link to a private folder") << QStringLiteral("link") << false;
    }
    void folderOthersCanWriteToIsNotUsed() {
        QFETCH(QString, kind);
        QFETCH(bool, used);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString target = dir.filePath(QStringLiteral("target"));
        const QString folder = dir.filePath(QStringLiteral("pictures"));
        QVERIFY(QDir().mkdir(target));
        QVERIFY(::chmod(path(target).constData(), 0700) == 0);
        if (kind == QLatin1String("link")) {
            QVERIFY(QFile::link(target, folder));
        } else {
            QVERIFY(QDir().rename(target, folder));
            QVERIFY(::chmod(path(folder).constData(), kind.toUInt(nullptr, 8)) == 0);
        }
        const resources::Artwork art(folder.toStdString());
        QCOMPARE(art.picture("lamp", {16, 13}, 1, formsqt::PictureLook::Normal).toImage(),
                 resources::Artwork::render("lamp", {16, 13}, 1));
        art.framePainted();  // what was drawn for the first frame is kept once it is shown
        QCOMPARE(namesIn(folder).size(), used ? 1 : 0);
    }

    // As root: a folder or a kept file of another user's is passed over.
    void otherUsersFolderAndFilesAreNotUsed() {
        if (::geteuid() != 0) QSKIP("needs root to give files to another user");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString folder = dir.filePath(QStringLiteral("pictures"));
        const uid_t nobody = 65534;
        {
            PictureStore store(folder.toStdString());
            store.save(QStringLiteral("key"), plain(qRgb(1, 2, 3)));
        }
        const QStringList names = namesIn(folder);
        QCOMPARE(names.size(), 1);
        const QByteArray file = path(folder + QLatin1Char('/') + names.front());
        QVERIFY(::chown(file.constData(), nobody, nobody) == 0);
        QVERIFY(PictureStore(folder.toStdString()).load(QStringLiteral("key"), Side, 1).isNull());
        QVERIFY(::chown(file.constData(), 0, 0) == 0);
        QVERIFY(::chown(path(folder).constData(), nobody, nobody) == 0);
        QVERIFY(!PictureStore(folder.toStdString()).keeping());
    }

    // A link or a pipe in a picture's place is not read (a pipe would never answer) and is
    // replaced by the picture; what a link points to is left alone.
    void keptNameThatIsNoFileIsPassedOver_data() {
        QTest::addColumn<QString>("kind");
        QTest::addRow("link to a good picture") << QStringLiteral("link");
        QTest::addRow("pipe") << QStringLiteral("pipe");
    }
    void keptNameThatIsNoFileIsPassedOver() {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString folder = dir.filePath(QStringLiteral("pictures"));
        const QString elsewhere = dir.filePath(QStringLiteral("elsewhere"));
        const QImage image = plain(qRgb(40, 50, 60));
        {
            PictureStore store(folder.toStdString());
            store.save(QStringLiteral("key"), image);
        }
        const QStringList names = namesIn(folder);
        QCOMPARE(names.size(), 1);
        const QString file = folder + QLatin1Char('/') + names.front();
        QVERIFY(QFile::rename(file, elsewhere));
        if (kind == QLatin1String("link"))
            QVERIFY(QFile::link(elsewhere, file));
        else
            QVERIFY(::mkfifo(path(file).constData(), 0600) == 0);

        PictureStore store(folder.toStdString());
        QVERIFY(store.load(QStringLiteral("key"), Side, 1).isNull());
        store.save(QStringLiteral("key"), image);
        const QFileInfo kept(file);
        QVERIFY(kept.isFile() && !kept.isSymLink());
        QCOMPARE(store.load(QStringLiteral("key"), Side, 1), image);
        QVERIFY(QFileInfo(elsewhere).isFile());
        QCOMPARE(PictureStore(folder.toStdString()).load(QStringLiteral("key"), Side, 1), image);
    }
};

QTEST_MAIN(PictureStoreTest)
#include "PictureStoreTest.moc"
