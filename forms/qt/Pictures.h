#pragma once

// Where the host gets the drawing of a picture named by the model.

#include <QPixmap>
#include <QSizeF>
#include <QString>

namespace formsqt {

enum class PictureLook { Normal, Pressed, Disabled };

class PictureProvider {
public:
    virtual ~PictureProvider() = default;
    // The picture `name` drawn at `logicalSize` (device-independent pixels) for a display of
    // device pixel ratio `dpr`; the pixmap carries that ratio. A null pixmap for an unknown
    // name.
    virtual QPixmap picture(const QString& name, QSizeF logicalSize, qreal dpr,
                            PictureLook look) const = 0;
    // The window will soon ask for this picture: a provider may begin drawing it now, away
    // from the caller, so that picture() need not wait for all of it; what picture() then
    // gives is the same. By default nothing is done ahead.
    virtual void prepare(const QString& name, QSizeF logicalSize, qreal dpr,
                         PictureLook look) const {
        (void)name, (void)logicalSize, (void)dpr, (void)look;
    }
    // Told once a window has painted its first frame: work the frame did not wait for (the
    // writing of what was drawn for it) may be done now.
    virtual void framePainted() const {}
};

}  // namespace formsqt
