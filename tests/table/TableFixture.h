#pragma once

// A loaded table window on fake services: scripted cards, a recording sound player, an
// in-memory settings file and shell. Tests drive it by calling handlers or clicking elements
// and by ticking its timers.

#include <gtest/gtest.h>

#include <memory>

#include "support/Fakes.h"
#include "table/TableWindow.h"

class TableFixture : public ::testing::Test {
protected:
    fakes::ScriptedRandom random;
    fakes::ManualClock clock;
    fakes::CountingPump events;
    fakes::MemorySettings settings;
    fakes::RecordingSound sound;
    fakes::RecordingLauncher launcher;
    fakes::RecordingKeys keys;
    fakes::FakeInstance instance;
    fakes::ScriptedDialogs dialogs;
    fakes::RecordingProgram program;
    std::unique_ptr<table::TableWindow> w;

    table::TableServices services() {
        return table::TableServices{random,  clock,    events,  settings,
                                    sound,   launcher, keys,    instance,
                                    dialogs, program,  nullptr, "http://www.example.com"};
    }

    // Creates and loads the window (settings as stored in `settings` beforehand).
    void load() {
        w = std::make_unique<table::TableWindow>(services());
        w->Form_Load();
    }

    void SetUp() override { clock.stepPerRead = 0.01; }

    // Runs the deal animation to its end.
    void finishDealAnimation() {
        for (int i = 0; i < 10 && w->Tp1.enabled(); ++i) w->Tp1.tick();
    }
    // Runs the dealer's reveal to its end; returns the number of ticks.
    int finishReveal() {
        int ticks = 0;
        while (w->timdeal.enabled() && ticks < 100) {
            w->timdeal.tick();
            ++ticks;
        }
        return ticks;
    }
};
