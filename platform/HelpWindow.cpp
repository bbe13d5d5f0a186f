#include "platform/HelpWindow.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>
#include <fstream>
#include <sstream>

#include "platform/DataFiles.h"

namespace platform {

namespace {
// The help window closes on Escape, as a viewer's window does.
class HelpFrame final : public QWidget {
public:
    HelpFrame() : QWidget(nullptr, Qt::Window) {}

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
            close();
            return;
        }
        QWidget::keyPressEvent(event);
    }
};

// Reads the help page from its file as the system names it: the file name stays its own
// bytes, so a page in a folder whose name is no valid UTF-8 (which a QString cannot carry
// through) is shown as well as any other.
class HelpBrowser final : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;

    void showFile(const std::filesystem::path& file) {
        const QUrl url = urlOf(file);
        if (file == file_ && source().adjusted(QUrl::RemoveFragment) == url) return;
        file_ = file;
        if (source().adjusted(QUrl::RemoveFragment) == url)
            reload();
        else
            setSource(url);
    }

    void showMissing() {
        file_.clear();
        setHtml(QStringLiteral("<p>The help file could not be found.</p>"));
    }

    QVariant loadResource(int type, const QUrl& name) override {
        if (type == QTextDocument::HtmlResource && !file_.empty() &&
            name.adjusted(QUrl::RemoveFragment) == urlOf(file_)) {
            std::ifstream in(file_, std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            const std::string page = bytes.str();
            return QByteArray(page.data(), static_cast<qsizetype>(page.size()));
        }
        return QTextBrowser::loadResource(type, name);
    }

private:
    // The page's address as the browser names it; the file itself is read by file_.
    static QUrl urlOf(const std::filesystem::path& file) {
        return QUrl::fromLocalFile(QFile::decodeName(file.c_str()));
    }

    std::filesystem::path file_;
};

}  // namespace

HelpWindowViewer::HelpWindowViewer(const std::string& programName)
    : HelpWindowViewer(dataFolders(programName)) {}

HelpWindowViewer::HelpWindowViewer(std::vector<std::filesystem::path> folders)
    : folders_(std::move(folders)) {}

HelpWindowViewer::~HelpWindowViewer() {
    delete window_.data();
}

QWidget* HelpWindowViewer::window() const {
    return window_.data();
}
QTextBrowser* HelpWindowViewer::browser() const {
    return browser_.data();
}

void HelpWindowViewer::ensureWindow() {
    if (window_) return;
    auto* w = new HelpFrame;
    w->setObjectName(QStringLiteral("help"));
    w->setWindowTitle(QStringLiteral("Help"));
    // The help window never keeps the program running once its own windows have closed.
    w->setAttribute(Qt::WA_QuitOnClose, false);
    auto* layout = new QVBoxLayout(w);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* b = new HelpBrowser(w);
    b->setObjectName(QStringLiteral("helpText"));
    b->setOpenExternalLinks(true);
    layout->addWidget(b);
    QObject::connect(b, &QTextBrowser::sourceChanged, w, [w, b] {
        const QString title = b->documentTitle();
        w->setWindowTitle(title.isEmpty() ? QStringLiteral("Help") : title);
    });
    w->resize(620, 560);
    window_ = w;
    browser_ = b;
}

void HelpWindowViewer::showHelp(const std::string& helpFile, int context) {
    ensureWindow();
    const std::string path = findDataFile(folders_, helpFile + ".html");
    const QString anchor = QStringLiteral("context-%1").arg(context);
    if (path.empty()) {
        static_cast<HelpBrowser*>(browser_.data())->showMissing();
    } else {
        static_cast<HelpBrowser*>(browser_.data())->showFile(path);
        // An unknown context shows the help from its beginning.
        browser_->verticalScrollBar()->setValue(0);
        browser_->scrollToAnchor(anchor);
    }
    if (!window_->isVisible() && place_) place_(window_);
    window_->show();
    window_->raise();
    window_->activateWindow();
}

}  // namespace platform
