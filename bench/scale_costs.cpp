#include "scale_costs.h"

#include "bench_table.h"
#include "engine/scale.h"
#include "message_rates.h"
#include "memory_backend.h"
#include "app/program.h"
#include "ui/main/window_names.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <cmath>

using namespace quorvane;

namespace {

constexpr int turns = 5;
const ScaleChoice pentatonic{Scale::MajorPentatonic, 0};
const NoteRange twoOctaves{48, 72};

// Numbers as the formulas and a transposition leave them: mostly inside the
// MIDI range, some beyond it either way, some not whole.
std::vector<double> someNotes()
{
    std::vector<double> notes;
    for (int i = 0; i < 4096; ++i)
        notes.push_back(std::fmod(i * 37.0, 180.0) - 20.0 + (i % 3 == 0 ? 0.5 : 0.0));
    return notes;
}

// Nanoseconds a call of `step` takes per note, over a few million notes.
template <class Step>
double nsPerNote(Step step)
{
    const std::vector<double> notes = someNotes();
    volatile double sink = 0;
    QElapsedTimer clock;
    clock.start();
    long long count = 0;
    for (int round = 0; round < 1000; ++round) {
        double sum = 0;
        for (const double n : notes)
            sum += step(n);
        sink = sink + sum;
        count += static_cast<long long>(notes.size());
    }
    return double(clock.nsecsElapsed()) / double(count);
}

void choose(FrmMain& window, const char* item)
{
    window.findChild<QAction*>(QString::fromLatin1(item))->trigger();
}

QString spreadText(const std::vector<double>& rates)
{
    const auto [low, high] = std::minmax_element(rates.begin(), rates.end());
    return QStringLiteral("%1 /s (%2..%3)")
        .arg(spreadOf(rates).median, 0, 'f', 0)
        .arg(*low, 0, 'f', 0)
        .arg(*high, 0, 'f', 0);
}

} // namespace

void benchScaleCosts(Program& program, CountingHost& host, MemoryOutputBackend& wire)
{
    FrmMain& window = program.window();
    printSection(QStringLiteral("The scale step (C Major Pentatonic), Wondrousness at delay 0 in the pitch mode with "
                                "Note Off, Use Min/Max 48..72, in-memory devices; medians of %1 runs taken in turns")
                     .arg(turns));
    for (Mode mode : allModes)
        window.findChild<QCheckBox*>(controls::doMode(mode))->setChecked(mode == Mode::Pitch);
    window.findChild<QCheckBox*>(controls::UseNoteOff)->setChecked(true);
    window.findChild<QCheckBox*>(controls::UseMinMax)->setChecked(true);
    program.composer().refreshModeFlags();
    window.setText(controls::PitchMin, QStringLiteral("48"));
    window.setText(controls::PitchMax, QStringLiteral("72"));
    window.setText(controls::Delay, QStringLiteral("0"));

    auto passesPerSecond = [&](const char* scale) {
        choose(window, scale);
        return wondrousnessPassesPerSecond(program, host, wire);
    };
    std::vector<double> chromatic, scaled;
    // Each goes first every other turn, so that neither gains by its place.
    for (int turn = 0; turn < 2 * turns; ++turn) {
        if ((turn + turn / 2) % 2 == 0)
            chromatic.push_back(passesPerSecond(menus::ScaleChromatic));
        else
            scaled.push_back(passesPerSecond(menus::ScaleMajorPentatonic));
    }
    choose(window, menus::ScaleChromatic);

    const double passNs = 1e9 / spreadOf(chromatic).median;
    const QString aPass = QStringLiteral("%1 ns a pass without it").arg(passNs, 0, 'f', 0);
    printFigure({QStringLiteral("scale step per note, no range"),
                 QStringLiteral("%1 ns").arg(nsPerNote([](double n) { return keepToScale(n, pentatonic); }), 0, 'f', 1),
                 aPass, QStringLiteral("-")});
    printFigure(
        {QStringLiteral("scale step per note, 48..72"),
         QStringLiteral("%1 ns").arg(
             nsPerNote([](double n) { return keepToScaleInRange(n, pentatonic, twoOctaves).value_or(n); }), 0, 'f', 1),
         aPass, QStringLiteral("-")});
    printFigure({QStringLiteral("passes, C Major Pentatonic"), spreadText(scaled),
                 spreadText(chromatic) + QStringLiteral(" chromatic"), QStringLiteral("no measurable change")});

    window.findChild<QCheckBox*>(controls::UseMinMax)->setChecked(false);
    window.setText(controls::PitchMin, QStringLiteral("0"));
    window.setText(controls::PitchMax, QStringLiteral("0"));
    window.setText(controls::Delay, QStringLiteral("60"));
}
