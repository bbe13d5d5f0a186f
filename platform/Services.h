#pragma once

// The services the windows' logic calls on the outside world. Each has one Linux
// implementation in platform/ and, for the tests, a fake in tests/support/.

#include <string>

namespace platform {

// A uniform value in [0, 1), independent of every earlier one.
class Random {
public:
    virtual ~Random() = default;
    virtual double nextUnit() = 0;
};

// Seconds on a monotonic clock.
class Clock {
public:
    virtual ~Clock() = default;
    virtual double seconds() = 0;
};

// Lets the window handle the events that are queued (used by a wait that must keep the
// window responsive).
class EventPump {
public:
    virtual ~EventPump() = default;
    virtual void processPendingEvents() = 0;
};

// Where a value is stored: the file name (no folder), section and key. Callers name the
// members (`{.file = …, .section = …, .key = …}`), so that none can take another's place.
struct SettingPlace {
    std::string file;
    std::string section;
    std::string key;
};

// One value of a private-profile settings file.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored text, cut to at most ini::MaxValueLength (127) characters and at a NUL;
    // empty when nothing is stored.
    virtual std::string read(const SettingPlace& place) = 0;
    // Writes one value, creating file, section and key as needed. Failures are silent.
    virtual void write(const SettingPlace& place, const std::string& value) = 0;
};

// Plays a sound file (named without a folder) to its end before returning. A missing file
// or no audio device gives silence.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    virtual void playToEnd(const std::string& fileName) = 0;
    // Stops whatever is playing.
    virtual void stop() = 0;
};

// Starts another program or opens a web page. Results are ignored.
class Launcher {
public:
    virtual ~Launcher() = default;
    // `program` is a bare program name ("oddsdesk"): looked for beside this executable,
    // then on PATH.
    virtual void startProgram(const std::string& program) = 0;
    virtual void openUrl(const std::string& url) = 0;
};

// Opens the help file (named without a folder or extension) at a help context.
class HelpViewer {
public:
    virtual ~HelpViewer() = default;
    virtual void showHelp(const std::string& helpFile, int context) = 0;
};

// Sends keystrokes to the active window, without waiting for them to be handled.
// Only "{f1}" is used.
class KeySender {
public:
    virtual ~KeySender() = default;
    virtual void sendKeys(const std::string& keys) = 0;
};

// Whether another copy of this program runs, and bringing it to the front.
class SingleInstance {
public:
    virtual ~SingleInstance() = default;
    virtual bool previousInstance() = 0;
    // Asks the running copy to raise and activate its window; does not wait.
    virtual void activatePrevious() = 0;
};

// The message box and the system beep.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    enum class Answer { Ok, Cancel };
    // An information box with OK and Cancel; closing it counts as Cancel.
    virtual Answer askOkCancel(const std::string& title, const std::string& text) = 0;
    virtual void beep() = 0;
};

// Ends the program at once, running no unload handler.
class ProgramControl {
public:
    virtual ~ProgramControl() = default;
    virtual void endNow() = 0;
};

}  // namespace platform
