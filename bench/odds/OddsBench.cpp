// What the odds engine costs per card: a two-card hand from a cleared panel, and an
// up-card change that redraws a hand already in the panel.

#include <benchmark/benchmark.h>

#include "forms/Window.h"
#include "odds/OddsPanel.h"

namespace {

class BenchWindow : public forms::Window {
public:
    explicit BenchWindow(odds::Program program) : forms::Window("Form1"), panel(*this, program) {
        panel.fillTables();
    }
    odds::OddsPanel panel;
};

void TwoCardHand(benchmark::State& state, odds::Program program) {
    BenchWindow w(program);
    for (auto _ : state) {
        w.panel.Command12_Click();
        w.panel.pp_Click(10);
        w.panel.dd_Click(10);
        w.panel.dd_Click(6);
        benchmark::DoNotOptimize(w.panel.lhitper.width());
    }
}

void UpCardChange(benchmark::State& state, odds::Program program) {
    BenchWindow w(program);
    w.panel.Command12_Click();
    w.panel.pp_Click(10);
    w.panel.dd_Click(8);
    w.panel.dd_Click(8);
    int up = 2;
    for (auto _ : state) {
        w.panel.pp_Click(up);
        up = up == 10 ? 2 : up + 1;
        benchmark::DoNotOptimize(w.panel.lspliper.width());
    }
}

BENCHMARK_CAPTURE(TwoCardHand, cardtable, odds::Program::CardTable);
BENCHMARK_CAPTURE(TwoCardHand, oddsdesk, odds::Program::OddsDesk);
BENCHMARK_CAPTURE(UpCardChange, cardtable, odds::Program::CardTable);
BENCHMARK_CAPTURE(UpCardChange, oddsdesk, odds::Program::OddsDesk);

}  // namespace
