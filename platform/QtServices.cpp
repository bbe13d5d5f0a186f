#include "platform/QtServices.h"

#include <fcntl.h>
#include <linux/close_range.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMessageBox>
#include <QProxyStyle>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "platform/DataFiles.h"

extern char** environ;

namespace platform {

void QtEventPump::processPendingEvents() {
    // The timer wakes the wait when no event comes; the queue itself is handled at once.
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(5);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

namespace {

namespace fs = std::filesystem;

bool isExecutableFile(const fs::path& candidate) {
    std::error_code ec;
    return fs::is_regular_file(candidate, ec) && ::access(candidate.c_str(), X_OK) == 0;
}

// In a forked child about to run a program: every descriptor above standard error is gone
// at the exec, also those that this process inherited without close-on-exec, so that the
// program gets nothing of ours but its standard input, output and error. `keep` (the child's
// error pipe, itself closing at the exec) goes on working until then. Async-signal-safe.
void closeInheritedAtExec(unsigned keep) {
    if (::syscall(SYS_close_range, 3U, ~0U, CLOSE_RANGE_CLOEXEC) == 0) return;
    // A kernel whose close_range lacks that flag: all but `keep` are closed now.
    if (keep >= 3 && (keep == 3 || ::syscall(SYS_close_range, 3U, keep - 1, 0U) == 0) &&
        ::syscall(SYS_close_range, keep + 1, ~0U, 0U) == 0)
        return;
    // A kernel without close_range: each possible descriptor is closed.
    rlimit limit{};
    const rlim_t last = ::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
                            ? limit.rlim_cur
                            : 65536;
    for (rlim_t fd = 3; fd < last; ++fd)
        if (fd != keep) ::close(static_cast<int>(fd));
}

// Starts the program file `path`, without arguments and with this process's environment, as
// a program of its own: in a session of its own, and not a child of this process, so there is
// nothing to wait for. Gives 0 once the program runs, else the error that stopped it.
int startDetached(const std::string& path) {
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return errno;
    char* const argv[] = {const_cast<char*>(path.c_str()), nullptr};
    const pid_t child = ::fork();
    if (child < 0) {
        const int error = errno;
        ::close(report[0]);
        ::close(report[1]);
        return error;
    }
    if (child == 0) {
        // Only async-signal-safe calls from here on: other threads of this process may hold
        // locks that the copy would wait for forever.
        ::setsid();
        sigset_t none;
        ::sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        const pid_t program = ::fork();
        if (program == 0) {
            closeInheritedAtExec(static_cast<unsigned>(report[1]));
            ::execve(argv[0], argv, environ);
        }
        // When the program could not be made or run, the error goes back on the pipe; a
        // program that runs closes the pipe unwritten.
        if (program <= 0) {
            const int error = errno;
            [[maybe_unused]] const ssize_t n = ::write(report[1], &error, sizeof error);
        }
        ::_exit(program == 0 ? 127 : 0);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t n = 0;
    while ((n = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    return n == static_cast<ssize_t>(sizeof error) ? error : 0;
}

}  // namespace

std::string ShellLauncher::locateProgram(const std::string& program) {
    // File names stay the bytes the system gives: a folder whose name is no valid UTF-8 is
    // found and started as well as any other.
    std::string name = program;
    // The program is named as on its home platform at times ("oddsdesk.exe").
    constexpr std::string_view exe = ".exe";
    if (name.size() >= exe.size() &&
        std::equal(exe.begin(), exe.end(), name.end() - static_cast<std::ptrdiff_t>(exe.size()),
                   [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); }))
        name.resize(name.size() - exe.size());
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
        return {};
    if (const fs::path here = executableFolder(); !here.empty() && isExecutableFile(here / name))
        return (here / name).string();
    const char* path = std::getenv("PATH");
    std::string_view folders = path ? path : "";
    while (!folders.empty()) {
        const std::size_t colon = folders.find(':');
        const std::string_view folder = folders.substr(0, colon);
        folders = colon == std::string_view::npos ? std::string_view() : folders.substr(colon + 1);
        if (folder.empty()) continue;
        std::error_code ec;
        const fs::path candidate = fs::absolute(fs::path(folder) / name, ec);
        if (!ec && isExecutableFile(candidate)) return candidate.string();
    }
    return {};
}

void ShellLauncher::startProgram(const std::string& program) {
    // Nothing is shown when the program cannot be started; one line on standard error says
    // why, so that a broken installation can be told.
    const std::string path = locateProgram(program);
    if (path.empty()) {
        std::fprintf(stderr, "%s: cannot start %s: not found beside this program or on PATH\n",
                     program_invocation_short_name, program.c_str());
        return;
    }
    if (const int error = startDetached(path))
        std::fprintf(stderr, "%s: cannot start %s: %s\n", program_invocation_short_name,
                     path.c_str(), std::strerror(error));
}

void ShellLauncher::openUrl(const std::string& url) {
    const QUrl address(QString::fromStdString(url), QUrl::StrictMode);
    if (address.isValid()) QDesktopServices::openUrl(address);
}

void QtKeySender::sendKeys(const std::string& keys) {
    if (QString::fromStdString(keys).compare(QLatin1String("{f1}"), Qt::CaseInsensitive) != 0)
        return;
    QWidget* target = QApplication::focusWidget();
    if (!target) target = QApplication::activeWindow();
    if (!target) target = fallback_.data();
    if (!target) return;
    // Posted, not sent: the caller goes on without waiting for the key to be handled.
    QCoreApplication::postEvent(target,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier));
    QCoreApplication::postEvent(target,
                                new QKeyEvent(QEvent::KeyRelease, Qt::Key_F1, Qt::NoModifier));
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
    QMessageBox box(QMessageBox::Information, QString::fromStdString(title),
                    QString::fromStdString(text), QMessageBox::NoButton,
                    QApplication::activeWindow());
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(ok);
    box.setEscapeButton(cancel);
    if (auto* buttons = box.findChild<QDialogButtonBox*>()) buttons->setStyle(&style);
    box.exec();
    return box.clickedButton() == ok ? Answer::Ok : Answer::Cancel;
}

void MessageBoxDialogs::beep() {
    QApplication::beep();
}

void ImmediateExit::endNow() {
    std::fflush(nullptr);
    std::_Exit(0);
}

}  // namespace platform
