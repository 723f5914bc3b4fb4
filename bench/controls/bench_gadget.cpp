// Full repaints of the scroll gadget at the size the main window uses (39 x 330 pixels), and the
// track-and-knob repaint that runs while the value changes.

#include "controls/RVTPropGadget.h"

#include <QApplication>
#include <QKeyEvent>

#include <benchmark/benchmark.h>

namespace {

void fullRepaintOfTheMainWindowGadget(benchmark::State& state)
{
    velmo::RVTPropGadget gadget;
    gadget.resize(39, 330);
    gadget.setBackColor(0xFAE0AB);
    gadget.setVMax(10);
    int value = 0;
    for (auto _ : state) {
        // Each accepted assignment repaints the whole gadget; the knob moves every time.
        value = (value + 1) % 11;
        gadget.setVValue(value);
        benchmark::DoNotOptimize(gadget.surface().constBits());
    }
}
BENCHMARK(fullRepaintOfTheMainWindowGadget);

void keyStepsRepaintOnlyTheKnob(benchmark::State& state)
{
    velmo::RVTPropGadget gadget;
    gadget.resize(39, 330);
    gadget.setVMax(10);
    gadget.setVValue(0);
    bool down = true;
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, down ? Qt::Key_Down : Qt::Key_Up, Qt::NoModifier);
        QApplication::sendEvent(&gadget, &press);
        if (gadget.VValue() == 10 || gadget.VValue() == 0)
            down = !down;
        benchmark::DoNotOptimize(gadget.surface().constBits());
    }
}
BENCHMARK(keyStepsRepaintOnlyTheKnob);

} // namespace
