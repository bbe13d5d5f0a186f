// The start-up baseline: the smallest Qt Widgets window with a menu and a label, so that
// the benchmark can tell what a program adds to what Qt itself costs. It opens at the size
// given as WIDTHxHEIGHT (logical pixels of the whole window, menu bar included), so that
// each program is compared with a plain window as large as its own.
//
//   startup_baseline [WIDTHxHEIGHT]

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QSize>
#include <QString>
#include <cstdio>

namespace {

// "640x500" as a size; an invalid size for anything else.
QSize parseSize(const QString& text) {
    const qsizetype x = text.indexOf(QLatin1Char('x'));
    if (x <= 0) return {};
    bool okWidth = false, okHeight = false;
    const int width = text.left(x).toInt(&okWidth);
    const int height = text.mid(x + 1).toInt(&okHeight);
    if (!okWidth || !okHeight || width < 1 || height < 1 || width > 10000 || height > 10000)
        return {};
    return {width, height};
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QSize size(250, 195);
    if (argc > 1) {
        size = parseSize(QString::fromLocal8Bit(argv[1]));
        if (!size.isValid()) {
            std::fprintf(stderr, "usage: %s [WIDTHxHEIGHT]\n", argv[0]);
            return 2;
        }
    }
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Startup Baseline"));
    QMenu* file = window.menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("E&xit"), &window, &QWidget::close);
    window.setCentralWidget(new QLabel(QStringLiteral("Hello"), &window));
    window.resize(size);
    window.show();
    return app.exec();
}
