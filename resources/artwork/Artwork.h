#pragma once

// The pictures of both programs, drawn by code at the size and pixel ratio the window asks for.

#include <QHash>
#include <QImage>
#include <QStringList>
#include <QTimer>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include "forms/qt/Pictures.h"
#include "resources/artwork/DrawAhead.h"
#include "resources/artwork/PictureStore.h"

namespace resources {

class Artwork : public formsqt::PictureProvider {
public:
    // Draws each picture once in the run.
    Artwork();
    // Also keeps each picture drawn as a file in `folder` (created when needed), and takes
    // it from there in later runs of the same build: a start then shows its window without
    // waiting for the drawing. A file that is not what this build would draw is passed over.
    // Nothing is kept unless the folder is the user's own and no one else can write to it
    // (PictureStore).
    // An icon asked for at one of the sizes the build draws it at is read from the build's
    // file in the first of `iconFolders` that has it (<folder>/<n>x<n>/apps/<program>.png,
    // as in an icon theme), and not drawn.
    explicit Artwork(const std::filesystem::path& folder,
                     std::vector<std::filesystem::path> iconFolders = {});
    // Keeps what was drawn and not yet kept.
    ~Artwork() override;
    Artwork(const Artwork&) = delete;
    Artwork& operator=(const Artwork&) = delete;

    // The named picture at `logicalSize` for a display of ratio `dpr`, drawn once and then
    // served from a cache. A null pixmap for an unknown name or an empty size.
    QPixmap picture(const QString& name, QSizeF logicalSize, qreal dpr,
                    formsqt::PictureLook look) const override;
    // Draws the picture on a thread of its own (at most two at once, ended when nothing is
    // left), unless it is served from the cache, a file the build made or a kept one, so
    // that picture() then finds it drawn. What it gives is the same.
    void prepare(const QString& name, QSizeF logicalSize, qreal dpr,
                 formsqt::PictureLook look) const override;
    // A picture drawn before the first frame is kept only once the frame is on the screen,
    // so that the window does not wait for the files; one drawn later is kept just after the
    // event that asked for it.
    void framePainted() const override;

    // The same drawing as an image, without the cache. A null image for an unknown name.
    static QImage render(const QString& name, QSizeF logicalSize, qreal dpr,
                         formsqt::PictureLook look = formsqt::PictureLook::Normal);

    // Every name this artwork draws.
    static QStringList names();

    // The size (logical pixels) a picture is designed for; the size its element has on the
    // window. An empty size for an unknown name.
    static QSizeF designSize(const QString& name);

    // Whether the picture has distinct pressed and disabled looks.
    static bool hasLooks(const QString& name);

    // Where a program's icon drawn at `side` pixels lies in an icon theme's folder,
    // "<side>x<side>/apps/<program>.png"; empty for a picture that is no program's icon.
    static QString iconFile(const QString& name, int side);

private:
    QImage madeByTheBuild(const QString& name, QSizeF logicalSize, qreal dpr) const;
    // The picture from the build's files or the kept ones, without drawing; null when
    // neither has it.
    QImage found(const QString& key, const QString& name, QSizeF logicalSize, qreal dpr) const;
    QPixmap cached(const QString& key, QImage image) const;
    void keepLater(const QString& key, const QImage& image) const;
    void keepDrawn() const;

    // The memory cache and the files are a cache behind a query: they change as pictures
    // are asked for. Only the window's thread asks.
    mutable QHash<QString, QPixmap> cache_;
    mutable PictureStore store_;  // where drawn pictures are kept for later runs
    std::vector<std::filesystem::path> iconFolders_;
    mutable std::vector<std::pair<QString, QImage>> toKeep_;  // drawn, not yet kept
    mutable bool framePainted_ = false;
    mutable std::unique_ptr<QTimer> keepSoon_;  // runs keepDrawn() once the event has ended
    // Draws on threads of its own; it alone is shared with them.
    mutable DrawAhead ahead_;
};

}  // namespace resources
