#pragma once

// The windowing platform a program runs on, chosen before its QApplication exists. An X
// display is preferred wherever one answers, also inside a Wayland session (its X server for
// older programs): only there can a window place itself and stay above other windows.
// Without an X display the program runs on Wayland. A platform the user has chosen
// (QT_QPA_PLATFORM, or Qt's -platform option) is kept as it is.
//
//     formsqt::initApplication();
//     formsqt::ApplicationArguments arguments(argc, argv);
//     if (!arguments.displayFound()) return 1;  // it has said why, in one line
//     QApplication app(arguments.argc(), arguments.argv());

#include <string>
#include <vector>

namespace formsqt {

enum class DisplayPlatform {
    UserChoice,  // the user named one: Qt takes it from there
    X11,         // an X server answers at DISPLAY
    Wayland,     // no X server, but a Wayland compositor listens at WAYLAND_DISPLAY
    None,        // no display at all
};

// Whether an X server answers at $DISPLAY.
bool xDisplayAnswers();
// Whether a Wayland compositor listens where a Wayland client would connect
// ($WAYLAND_SOCKET, or $WAYLAND_DISPLAY, by default "wayland-0", in $XDG_RUNTIME_DIR).
bool waylandDisplayAnswers();

// The platform to run on, for the command line `argc`, `argv` and this environment.
DisplayPlatform chooseDisplayPlatform(int argc, char** argv);

// The command line for the QApplication: the program's own, with the chosen platform named
// for Qt. The environment is left as it is, so a program started from this one chooses
// anew. Without any display, one line on standard error says that none could be opened.
class ApplicationArguments {
public:
    ApplicationArguments(int argc, char** argv);
    ApplicationArguments(const ApplicationArguments&) = delete;
    ApplicationArguments& operator=(const ApplicationArguments&) = delete;

    DisplayPlatform platform() const { return platform_; }
    bool displayFound() const { return platform_ != DisplayPlatform::None; }
    // For QApplication(argc, argv), which may take out the options it understands; both
    // stay valid as long as this object lives.
    int& argc() { return argc_; }
    char** argv() { return pointers_.data(); }

private:
    DisplayPlatform platform_;
    std::vector<std::string> arguments_;
    std::vector<char*> pointers_;
    int argc_ = 0;
};

}  // namespace formsqt
