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

struct xcb_connection_t;

namespace formsqt {

enum class DisplayPlatform {
    UserChoice,  // the user named one: Qt takes it from there
    X11,         // an X server at DISPLAY lets this user in
    Wayland,     // no X server, but a Wayland compositor listens at WAYLAND_DISPLAY
    None,        // no display at all
};

// The command line for the QApplication: the program's own, with the chosen platform named
// for Qt. The environment is left as it is, so a program started from this one chooses
// anew. Without any display, one line on standard error says that none could be opened.
class ApplicationArguments {
public:
    ApplicationArguments(int argc, char** argv);
    ~ApplicationArguments();
    ApplicationArguments(const ApplicationArguments&) = delete;
    ApplicationArguments& operator=(const ApplicationArguments&) = delete;

    DisplayPlatform platform() const { return platform_; }
    bool displayFound() const { return platform_ != DisplayPlatform::None; }
    // For QApplication(argc, argv), which may take out the options it understands; both
    // stay valid as long as this object lives.
    int& argc() { return argc_; }
    char** argv() { return pointers_.data(); }

private:
    // The connection that found the X server, held while this object lives: a server
    // whose only client leaves resets itself (or ends, when told to), and the program's
    // own connection right after could then fail.
    xcb_connection_t* xConnection_ = nullptr;
    DisplayPlatform platform_ = DisplayPlatform::None;
    std::vector<std::string> arguments_;
    std::vector<char*> pointers_;
    int argc_ = 0;
};

}  // namespace formsqt
