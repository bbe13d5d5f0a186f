// One start of a program, as far as its single instance goes, for the single-instance tests:
// `singleinstance_copy NAME` asks whether another copy of NAME runs and says on standard
// output what it found. A later copy prints "second", asks the running one to come forward
// and ends. The running copy prints "first", then "raised" each time a later copy brings it
// forward, and ends when its standard input closes. With `--start PROGRAM` the running copy
// first starts PROGRAM (with the argument "30"), as the programs start each other, and says
// "started PID".

#include <unistd.h>

#include <QCoreApplication>
#include <QProcess>
#include <QSocketNotifier>
#include <cstring>
#include <string>

#include "platform/LocalSingleInstance.h"

namespace {
void say(const char* line) {
    const std::size_t size = std::strlen(line);
    if (::write(STDOUT_FILENO, line, size) != static_cast<ssize_t>(size)) ::_exit(3);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && !(argc == 4 && std::strcmp(argv[2], "--start") == 0)) return 2;
    QCoreApplication app(argc, argv);
    platform::LocalSingleInstance instance(argv[1]);
    if (instance.previousInstance()) {
        say("second\n");
        instance.activatePrevious();
        return 0;
    }
    instance.setActivationHandler([] { say("raised\n"); });
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&input] {
        char byte;
        if (::read(STDIN_FILENO, &byte, 1) <= 0) {
            input.setEnabled(false);
            QCoreApplication::quit();
        }
    });
    say("first\n");
    if (argc == 4) {
        qint64 pid = 0;
        if (!QProcess::startDetached(QString::fromLocal8Bit(argv[3]), {QStringLiteral("30")}, {},
                                     &pid))
            return 4;
        say(("started " + std::to_string(pid) + "\n").c_str());
    }
    return QCoreApplication::exec();
}
