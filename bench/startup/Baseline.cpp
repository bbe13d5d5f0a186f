// The start-up baseline: the smallest Qt Widgets window with a menu and a label, so that
// the benchmark can tell what a program adds to what Qt itself costs.

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Startup Baseline"));
    QMenu* file = window.menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("E&xit"), &window, &QWidget::close);
    window.setCentralWidget(new QLabel(QStringLiteral("Hello"), &window));
    window.resize(250, 195);
    window.show();
    return app.exec();
}
