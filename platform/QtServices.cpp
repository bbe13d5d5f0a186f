#include "platform/QtServices.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QProcess>
#include <QProxyStyle>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <cstdio>
#include <cstdlib>

namespace platform {

void QtEventPump::processPendingEvents() {
    // The timer wakes the wait when no event comes; the queue itself is handled at once.
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(5);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

std::string ShellLauncher::locateProgram(const std::string& program) {
    QString name = QString::fromStdString(program);
    // The program is named as on its home platform at times ("oddsdesk.exe").
    if (name.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive)) name.chop(4);
    if (name.isEmpty() || name.contains(QLatin1Char('/'))) return {};
    const QFileInfo sibling(QCoreApplication::applicationDirPath() + QLatin1Char('/') + name);
    if (sibling.isFile() && sibling.isExecutable()) return sibling.absoluteFilePath().toStdString();
    return QStandardPaths::findExecutable(name).toStdString();
}

void ShellLauncher::startProgram(const std::string& program) {
    const std::string path = locateProgram(program);
    if (!path.empty()) QProcess::startDetached(QString::fromStdString(path), {});
}

void ShellLauncher::openUrl(const std::string& url) {
    const QUrl address(QString::fromStdString(url), QUrl::StrictMode);
    if (address.isValid()) QDesktopServices::openUrl(address);
}

void QtKeySender::sendKeys(const std::string& keys) {
    if (QString::fromStdString(keys).compare(QLatin1String("{f1}"), Qt::CaseInsensitive) != 0) return;
    QWidget* target = QApplication::focusWidget();
    if (!target) target = QApplication::activeWindow();
    if (!target) target = fallback_.data();
    if (!target) return;
    // Posted, not sent: the caller goes on without waiting for the key to be handled.
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier));
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, Qt::Key_F1, Qt::NoModifier));
}

namespace {
// Lays out dialog buttons in the order they were added: OK before Cancel on every desktop.
class OkFirstStyle final : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_DialogButtonLayout) return QDialogButtonBox::WinLayout;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};
}  // namespace

Dialogs::Answer MessageBoxDialogs::askOkCancel(const std::string& title, const std::string& text) {
    OkFirstStyle style(QApplication::style()->name());  // outlives the box that uses it
    QMessageBox box(QMessageBox::Information, QString::fromStdString(title), QString::fromStdString(text),
                    QMessageBox::NoButton, QApplication::activeWindow());
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(ok);
    box.setEscapeButton(cancel);
    if (auto* buttons = box.findChild<QDialogButtonBox*>()) buttons->setStyle(&style);
    box.exec();
    return box.clickedButton() == ok ? Answer::Ok : Answer::Cancel;
}

void MessageBoxDialogs::beep() { QApplication::beep(); }

void ImmediateExit::endNow() {
    std::fflush(nullptr);
    std::_Exit(0);
}

}  // namespace platform
