// Plays hands of cardtable on the window model, headless: Deal, then the action the odds
// panel marks (a tie or no mark stands), insurance always declined, the timers ticked by
// hand to their end. Every hand is checked: it ends, Deal is available again, and the
// bankroll moved by exactly what the result message says. Prints hands per second and the
// player's return per unit bet with its standard error.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "forms/Conversions.h"
#include "platform/SystemServices.h"
#include "table/TableWindow.h"

namespace {

class NoEvents final : public platform::EventPump {
public:
    void processPendingEvents() override {}
};
class NoSettings final : public platform::SettingsStore {
public:
    std::string read(const platform::SettingPlace&) override { return {}; }
    void write(const platform::SettingPlace&, const std::string&) override {}
};
class Silence final : public platform::SoundPlayer {
public:
    void playToEnd(const std::string&) override {}
    void stop() override {}
};
class NoLauncher final : public platform::Launcher {
public:
    void startProgram(const std::string&) override {}
    void openUrl(const std::string&) override {}
};
class NoKeys final : public platform::KeySender {
public:
    void sendKeys(const std::string&) override {}
};
class OnlyInstance final : public platform::SingleInstance {
public:
    bool previousInstance() override { return false; }
    void activatePrevious() override {}
};
class NoDialogs final : public platform::Dialogs {
public:
    Answer askOkCancel(const std::string&, const std::string&) override { return Answer::Cancel; }
    void beep() override {}
};
class KeepRunning final : public platform::ProgramControl {
public:
    void endNow() override {}
};

constexpr double Bet = 10;
constexpr const char* Bankroll = "1000000000";  // never near 0, so no loss is cut short
constexpr forms::Colour Marked = 49152;

// The amount a result message stands for; `stake` is what a message without an amount
// loses. False for a message that is not a result.
bool amountOf(const std::string& message, double stake, double& amount) {
    const std::string text = forms::trim(message);
    const auto dollar = text.find('$');
    if (dollar != std::string::npos) {
        const double figure = forms::val(text.substr(dollar + 1));
        const bool loses = text.find("Lose") != std::string::npos;
        amount = loses ? -figure : figure;
        return true;
    }
    if (text == "PUSH.." || text == "INSURANCE..") {
        amount = 0;
        return true;
    }
    if (text == "Dealer Wins.." || text == "PLAYER BUSTS Dealer Wins") {
        amount = -stake;
        return true;
    }
    return false;
}

struct Run {
    long hands = 0;
    long faults = 0;
    double sum = 0;
    double sumSquares = 0;
    long doubles = 0, splits = 0;

    void fault(long hand, const char* what, const std::string& detail = {}) {
        if (++faults <= 20) std::fprintf(stderr, "hand %ld: %s %s\n", hand, what, detail.c_str());
    }
    // Counts a hand that won `perUnit` bets (a loss counts negative).
    void record(double perUnit) {
        sum += perUnit;
        sumSquares += perUnit * perUnit;
        ++hands;
    }
};

// The action the odds panel marks among its shown bars; null for a tie or no mark.
forms::Element* markedAction(table::TableWindow& w) {
    struct Row {
        forms::Element& bar;
        forms::Element& button;
    };
    Row rows[] = {{w.panel.lstandper, w.Command5},
                  {w.panel.lhitper, w.Command1},
                  {w.panel.Ldoubper, w.Command8},
                  {w.panel.lspliper, w.cmdsplit}};
    for (Row& r : rows)
        if (r.bar.visible() && r.bar.backColor() == Marked) return &r.button;
    return nullptr;
}

// The action the player takes: the marked one while it is enabled, else Stand.
forms::Element& chosenAction(table::TableWindow& w) {
    forms::Element* action = markedAction(w);
    if (!action || !action->enabled()) action = &w.Command5;
    return *action;
}

// Deal, and its animation ticked to its end.
void deal(table::TableWindow& w, Run& run, long hand) {
    if (!w.Command3.enabled()) run.fault(hand, "Deal disabled before the hand");
    w.Command3.click();
    for (int i = 0; i < 10 && w.Tp1.enabled(); ++i) w.Tp1.tick();
    if (w.Tp1.enabled()) run.fault(hand, "the deal animation does not end");
}

// The player acts until the hand is no longer the player's: insurance declined, else the
// chosen action. Whether the plain hand was doubled, which doubles what a loss costs.
bool playHand(table::TableWindow& w, Run& run, long hand) {
    bool doubledPlain = false;
    for (int step = 0; step < 100; ++step) {
        if (w.HandInPlay != 1 || w.timdeal.enabled() || w.Tp1.enabled()) break;
        if (w.f1.visible() && w.insuranceno.enabled()) {
            w.insuranceno.click();
            continue;
        }
        forms::Element& action = chosenAction(w);
        if (!action.enabled()) {
            run.fault(hand, "the player cannot act");
            break;
        }
        if (&action == &w.Command8) {
            ++run.doubles;
            if (w.SplitStage == 0) doubledPlain = true;
        }
        if (&action == &w.cmdsplit) ++run.splits;
        action.click();
        if (step == 99) run.fault(hand, "the hand does not end");
    }
    return doubledPlain;
}

// The dealer's reveal ticked to its end; then the hand is over, its result shown and Deal
// available again.
void reveal(table::TableWindow& w, Run& run, long hand) {
    for (int i = 0; i < 100 && w.timdeal.enabled(); ++i) w.timdeal.tick();
    if (w.timdeal.enabled()) run.fault(hand, "the reveal does not end");
    if (!w.Command3.enabled()) run.fault(hand, "Deal disabled after the hand");
    if (w.HandInPlay != 0) run.fault(hand, "the hand is still in play");
    if (!w.lresult.visible() || !w.dbox.visible()) run.fault(hand, "the result is not shown");
}

// The bankroll `moved` by exactly what the result message says; `stake` is what a message
// without an amount loses.
void checkResult(const table::TableWindow& w, Run& run, long hand, double moved, double stake) {
    double amount = 0;
    if (!amountOf(w.lresult.caption(), stake, amount))
        run.fault(hand, "no result message:", "\"" + w.lresult.caption() + "\"");
    else if (moved != amount)
        run.fault(hand, "the bankroll moved by other than the message says:",
                  "\"" + w.lresult.caption() + "\" " + forms::text(moved));
}

void playOne(table::TableWindow& w, Run& run) {
    const long hand = run.hands + 1;
    const double before = forms::val(w.ltot.caption());
    deal(w, run, hand);
    const bool doubledPlain = playHand(w, run, hand);
    reveal(w, run, hand);
    const double moved = forms::val(w.ltot.caption()) - before;
    checkResult(w, run, hand, moved, doubledPlain ? 2 * Bet : Bet);
    run.record(moved / Bet);
}

}  // namespace

int main(int argc, char** argv) {
    long hands = 1000000;
    if (argc > 1) {
        char* end = nullptr;
        hands = std::strtol(argv[1], &end, 10);
        if (!end || *end != '\0' || hands <= 0) {
            std::fprintf(stderr, "usage: %s [hands]\n", argv[0]);
            return 2;
        }
    }

    platform::SystemRandom random;
    platform::SteadyClock clock;
    NoEvents events;
    NoSettings settings;
    Silence sound;
    NoLauncher launcher;
    NoKeys keys;
    OnlyInstance instance;
    NoDialogs dialogs;
    KeepRunning program;
    table::TableWindow w(table::TableServices{random, clock, events, settings, sound, launcher,
                                              keys, instance, dialogs, program, nullptr,
                                              "http://www.example.com"});
    w.Form_Load();
    w.ltot.setCaption(Bankroll);
    w.Text1.setCaption(forms::text(Bet));

    Run run;
    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < hands; ++i) {
        playOne(w, run);
        // Keep far from 0 whatever the luck, so every loss is taken in full.
        if (forms::val(w.ltot.caption()) < 1e8) w.ltot.setCaption(Bankroll);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    const double n = static_cast<double>(run.hands);
    const double mean = run.sum / n;
    const double variance = run.hands > 1 ? (run.sumSquares - n * mean * mean) / (n - 1) : 0;
    const double stderror = std::sqrt(variance / n);
    std::printf("hands            %ld\n", run.hands);
    std::printf("hands per second %.0f\n", n / seconds);
    std::printf("return per unit  %+.5f  (standard error %.5f)\n", mean, stderror);
    std::printf("doubles %ld, splits %ld\n", run.doubles, run.splits);
    std::printf("faults           %ld\n", run.faults);
    return run.faults == 0 ? 0 : 1;
}
