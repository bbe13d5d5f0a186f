// Pictures drawn ahead on threads of their own: each is drawn once, handed over once, waited
// for while it is being drawn, and what has not begun is dropped when the drawing ends.

#include <QTest>
#include <condition_variable>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "resources/artwork/DrawAhead.h"

using formsqt::PictureLook;
using resources::DrawAhead;

namespace {

// A drawing that counts what it draws and, while closed, holds each drawing until opened.
class Gate {
public:
    QImage draw(const DrawAhead::Request& r) {
        std::unique_lock lock(mutex_);
        ++begun_[r.name];
        changed_.notify_all();
        changed_.wait(lock, [this] { return open_; });
        QImage image(r.size.toSize(), QImage::Format_ARGB32_Premultiplied);
        image.fill(qRgba(0, 0, qHash(r.name) & 0xff, 255));
        return image;
    }
    void open() {
        const std::lock_guard lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    // Waits until `n` drawings of `name` have begun; false after a bound of ten seconds.
    bool begun(const QString& name, int n = 1) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return begun_[name] >= n; });
    }
    int drawings(const QString& name) {
        const std::lock_guard lock(mutex_);
        return begun_[name];
    }
    int total() {
        const std::lock_guard lock(mutex_);
        int n = 0;
        for (const auto& [name, count] : begun_) n += count;
        return n;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<QString, int> begun_;
    bool open_ = false;
};

DrawAhead::Request request(const char* name) {
    return {QString::fromLatin1(name), QSizeF(4, 3), 1, PictureLook::Normal};
}

}  // namespace

class DrawAheadTest : public QObject {
    Q_OBJECT

private slots:
    // Asked for while it is being drawn, a picture is waited for and handed over, not drawn a
    // second time; asked twice ahead, it is drawn once; taken, it is given only once.
    void aPictureBeingDrawnIsWaitedFor() {
        Gate gate;
        DrawAhead ahead([&gate](const DrawAhead::Request& r) { return gate.draw(r); });
        ahead.ask("a", request("a"));
        ahead.ask("a", request("a"));
        QVERIFY(gate.begun("a"));
        QImage taken;
        std::thread taker([&] { taken = ahead.take("a"); });
        gate.open();
        taker.join();
        QCOMPARE(taken.size(), QSize(4, 3));
        QCOMPARE(gate.drawings("a"), 1);
        QVERIFY(ahead.take("a").isNull());
    }

    // One asked for before its turn is taken off the queue for the caller to draw, and never
    // drawn ahead; the rest are drawn in their turn, by threads started anew once the first
    // have ended for want of work.
    void onesNotBegunAreLeftToTheCaller() {
        Gate gate;
        DrawAhead ahead([&gate](const DrawAhead::Request& r) { return gate.draw(r); }, 1);
        ahead.ask("a", request("a"));
        QVERIFY(gate.begun("a"));
        ahead.ask("b", request("b"));
        ahead.ask("c", request("c"));
        QVERIFY(ahead.take("b").isNull());
        QVERIFY(ahead.take("never asked").isNull());
        gate.open();
        QCOMPARE(ahead.take("a").size(), QSize(4, 3));
        QCOMPARE(ahead.take("c").size(), QSize(4, 3));
        QCOMPARE(gate.drawings("b"), 0);

        ahead.ask("d", request("d"));
        QVERIFY(gate.begun("d"));
        QCOMPARE(ahead.take("d").size(), QSize(4, 3));
        QCOMPARE(gate.total(), 3);
    }

    // Ending with drawings under way and more queued waits for those under way, drops the
    // rest and what was drawn and not taken.
    void endingWithWorkPendingDropsTheRest() {
        Gate gate;
        auto ahead = std::make_unique<DrawAhead>(
            [&gate](const DrawAhead::Request& r) { return gate.draw(r); }, 2);
        const char* names[] = {"a", "b", "c", "d", "e", "f", "g", "h"};
        for (const char* name : names) ahead->ask(name, request(name));
        QVERIFY(gate.begun("a"));
        QVERIFY(gate.begun("b"));
        // The two under way are let finish while the end waits for them; whatever of the
        // rest is drawn meanwhile is dropped with what was not.
        std::thread opener([&gate] { gate.open(); });
        ahead.reset();
        opener.join();
        const int drawn = gate.total();
        QVERIFY(drawn >= 2 && drawn <= int(std::size(names)));
    }
};

QTEST_GUILESS_MAIN(DrawAheadTest)
#include "DrawAheadTest.moc"
