#pragma once

// Fakes of the platform services for the logic tests: scripted cards, a manual clock, a
// recording sound player, an in-memory settings file and shell.

#include <deque>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/IniFile.h"
#include "platform/Services.h"

namespace fakes {

// Returns scripted unit values. scriptCards() makes each draw Int(r * 52) + 1 give the
// listed card numbers, in order. Running out of script is a test error.
class ScriptedRandom : public platform::Random {
public:
    void scriptCards(std::initializer_list<int> cardNumbers) {
        for (int n : cardNumbers) values.push_back((n - 0.5) / 52.0);
    }
    void scriptCard(int cardNumber) { values.push_back((cardNumber - 0.5) / 52.0); }
    void scriptUnit(double r) { values.push_back(r); }
    double nextUnit() override {
        if (values.empty()) throw std::runtime_error("ScriptedRandom: no card left in the script");
        const double r = values.front();
        values.pop_front();
        ++draws;
        return r;
    }
    std::deque<double> values;
    int draws = 0;
};

class ManualClock : public platform::Clock {
public:
    double seconds() override {
        const double t = now;
        now += stepPerRead;
        return t;
    }
    double now = 0;
    double stepPerRead = 0;  // how far each reading advances the clock
};

class CountingPump : public platform::EventPump {
public:
    void processPendingEvents() override {
        ++calls;
        if (onPump) onPump();
    }
    int calls = 0;
    std::function<void()> onPump;
};

class MemorySettings : public platform::SettingsStore {
public:
    std::string read(const platform::SettingPlace& place) override {
        ++reads;
        keysRead.push_back(place.key);
        auto it = values.find(place.file + "|" + place.section + "|" + place.key);
        if (it == values.end()) return {};
        return it->second.substr(0, platform::ini::MaxValueLength);
    }
    void write(const platform::SettingPlace& place, const std::string& value) override {
        values[place.file + "|" + place.section + "|" + place.key] = value;
        order.push_back(place.key);
    }
    std::string get(const std::string& key) const {
        auto it = values.find("zopt22.ini|Options|" + key);
        return it == values.end() ? std::string() : it->second;
    }
    void set(const std::string& key, const std::string& value) {
        values["zopt22.ini|Options|" + key] = value;
    }
    std::map<std::string, std::string> values;
    std::vector<std::string> order;     // keys written, in order
    std::vector<std::string> keysRead;  // keys read, in order
    int reads = 0;
};

class RecordingSound : public platform::SoundPlayer {
public:
    void playToEnd(const std::string& fileName) override {
        played.push_back(fileName);
        if (onPlay) onPlay(fileName);
    }
    void stop() override { ++stops; }
    std::vector<std::string> played;
    int stops = 0;
    std::function<void(const std::string&)> onPlay;
};

class RecordingLauncher : public platform::Launcher {
public:
    void startProgram(const std::string& program) override { programs.push_back(program); }
    void openUrl(const std::string& url) override { urls.push_back(url); }
    std::vector<std::string> programs;
    std::vector<std::string> urls;
};

class RecordingHelp : public platform::HelpViewer {
public:
    void showHelp(const std::string& file, int context) override {
        shown.emplace_back(file, context);
    }
    std::vector<std::pair<std::string, int>> shown;
};

class RecordingKeys : public platform::KeySender {
public:
    void sendKeys(const std::string& keys) override {
        sent.push_back(keys);
        if (onKeys) onKeys(keys);
    }
    std::vector<std::string> sent;
    std::function<void(const std::string&)> onKeys;
};

class FakeInstance : public platform::SingleInstance {
public:
    bool previousInstance() override { return running; }
    void activatePrevious() override { ++activations; }
    bool running = false;
    int activations = 0;
};

class ScriptedDialogs : public platform::Dialogs {
public:
    Answer askOkCancel(const std::string& title, const std::string& text) override {
        asked.emplace_back(title, text);
        return answer;
    }
    void beep() override { ++beeps; }
    Answer answer = Answer::Ok;
    std::vector<std::pair<std::string, std::string>> asked;
    int beeps = 0;
};

class RecordingProgram : public platform::ProgramControl {
public:
    void endNow() override { ++ends; }
    int ends = 0;
};

}  // namespace fakes
