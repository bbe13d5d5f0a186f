#pragma once

// Pictures drawn ahead, away from the window's thread, while the window is made and mapped,
// so that its first paint finds them drawn or waits only for the rest of a drawing begun.

#include <QHash>
#include <QImage>
#include <QSet>
#include <QSizeF>
#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <list>
#include <mutex>
#include <thread>

#include "forms/qt/Pictures.h"

namespace resources {

class DrawAhead {
public:
    // What a picture is drawn from.
    struct Request {
        QString name;
        QSizeF size;
        qreal dpr;
        formsqt::PictureLook look;
    };
    // `draw` makes the image of a request; it runs on the drawing threads and must touch
    // nothing but its argument. At most `threads` draw at once.
    explicit DrawAhead(std::function<QImage(const Request&)> draw, int threads = 2);
    // Discards what has not begun and waits for the drawings under way.
    ~DrawAhead();
    DrawAhead(const DrawAhead&) = delete;
    DrawAhead& operator=(const DrawAhead&) = delete;

    // Queues the picture named by `key` to be drawn, in the order asked, unless it is queued,
    // being drawn or drawn already. A thread is started when fewer than the most draw; each
    // ends once nothing is left to draw.
    void ask(const QString& key, const Request& request);
    // The image of `key` drawn ahead, handed over once: waited for while being drawn. A null
    // image when it was never asked for, or is still queued: it is then taken off the queue
    // and the caller draws it itself.
    QImage take(const QString& key);

private:
    struct Worker {
        std::thread thread;
        bool done = false;  // found nothing left: it has ended or is ending
    };
    void work(Worker& worker);

    const std::function<QImage(const Request&)> draw_;
    const std::size_t most_;
    std::mutex mutex_;
    std::condition_variable drawnOne_;  // a drawing has ended
    std::deque<std::pair<QString, Request>> queued_;
    QSet<QString> drawing_;
    QHash<QString, QImage> drawn_;  // drawn and not yet taken
    std::list<Worker> workers_;
    bool ending_ = false;
};

}  // namespace resources
