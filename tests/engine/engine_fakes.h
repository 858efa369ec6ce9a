#pragma once

#include "engine/composer.h"
#include "engine/control_names.h"
#include "engine/host.h"
#include "memory_backend.h"
#include "midi/midi_output.h"
#include "engine/panel.h"

#include <QMap>
#include <algorithm>
#include <array>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace quorvane::testing {

// The main window's settings as plain values, with the initial texts and check
// states of the window design, and a record of everything the engine shows.
class FakePanel : public Panel {
public:
    FakePanel()
    {
        texts = {
            {controls::StartNote, QStringLiteral("60")},
            {controls::PitchMin, QStringLiteral("0")},
            {controls::PitchMax, QStringLiteral("0")},
            {controls::Modulo, QStringLiteral("127")},
            {controls::Delay, QStringLiteral("60")},
            {controls::ModeFlags, QStringLiteral("0")},
            {controls::result(Mode::Pitch), QStringLiteral("0")},
            {controls::result(Mode::Velocity), QStringLiteral("60")},
            {controls::result(Mode::ProgrammeChange), QStringLiteral("0")},
            {controls::result(Mode::Pan), QStringLiteral("0")},
            {controls::transposition(Mode::Pitch), QStringLiteral("0")},
            {controls::transposition(Mode::Velocity), QStringLiteral("0")},
            {controls::transposition(Mode::ProgrammeChange), QStringLiteral("0")},
            {controls::transposition(Mode::Pan), QStringLiteral("0")},
        };
        checks = {
            {controls::UseNoteOff, 1},
            {controls::UseModulo, 1},
            {controls::RandomDelay, 1},
            {controls::DisplayResults, 1},
            {controls::UseMinMax, 0},
            {controls::doMode(Mode::Pitch), 1},
            {controls::doMode(Mode::Velocity), 0},
            {controls::doMode(Mode::ProgrammeChange), 0},
            {controls::doMode(Mode::Pan), 0},
        };
    }

    QString text(const QString& box) const override
    {
        if (!texts.contains(box))
            unknownNames << box;
        return texts.value(box);
    }
    void setText(const QString& box, const QString& text) override
    {
        if (!texts.contains(box))
            unknownNames << box;
        texts[box] = text;
        shown.emplace_back(box, text);
    }
    int checkValue(const QString& checkBox) const override
    {
        if (!checks.contains(checkBox))
            unknownNames << checkBox;
        return checks.value(checkBox);
    }
    void setInvalidMark(const QString& box, bool invalid) override
    {
        if (!texts.contains(box))
            unknownNames << box;
        if (invalid)
            marked.insert(box, true);
        else
            marked.remove(box);
    }
    void setRedMark(const QString& box) override { redMarks << box; }
    void setFormulaBold(Formula formula, bool bold) override { boldLog.push_back({formula, bold}); }
    void selectPatch(int index) override { selectedPatches.push_back(index); }
    void followPatch(int index) override { followedPatches.push_back(index); }
    void showMessage(const QString& text) override { messages << text; }

    bool isMarked(const QString& box) const { return marked.contains(box); }
    // What one box was set to, in order.
    QStringList shownIn(const QString& box) const
    {
        QStringList list;
        for (const auto& [b, t] : shown)
            if (b == box)
                list << t;
        return list;
    }
    void check(const QString& box, int value) { checks[box] = value; }

    QMap<QString, QString> texts;
    QMap<QString, int> checks;
    QMap<QString, bool> marked;
    std::vector<std::pair<QString, QString>> shown;
    QStringList redMarks;
    std::vector<std::pair<Formula, bool>> boldLog;
    std::vector<int> selectedPatches;
    std::vector<int> followedPatches;
    QStringList messages;
    mutable QStringList unknownNames; // names the real window does not have
};

// The host with the clock taken out: the yield runs what the test scripts for
// pass n, pauses are recorded and move a clock of the host's own, random
// draws come from a list.
class ScriptedHost : public Host {
public:
    void yield() override
    {
        ++yields;
        if (yields > yieldLimit) {
            // A loop that does not stop would hang the test: end it instead.
            runaway = true;
            ending_ = true;
            return;
        }
        if (onYield)
            onYield(yields);
    }
    // A clock of its own, which only the pauses move: a pause returns at
    // once, its deadline reached.
    std::int64_t now() const override { return clockNs; }
    void pauseUntil(std::int64_t deadlineNs) override
    {
        const long long ms = std::max<std::int64_t>(0, deadlineNs - clockNs) / 1'000'000;
        clockNs = std::max(clockNs, deadlineNs);
        pauses.push_back(ms);
        if (onPause)
            onPause(ms);
    }
    float random() override
    {
        ++draws;
        if (randoms.empty())
            return defaultRandom;
        const float r = randoms.front();
        randoms.pop_front();
        return r;
    }
    bool ending() const override { return ending_; }
    void setEnding() override { ending_ = true; }

    std::function<void(int)> onYield;
    std::function<void(long long)> onPause;
    int yields = 0;
    int yieldLimit = 100000;
    bool runaway = false;
    std::vector<long long> pauses; // in ms
    std::int64_t clockNs = steadyNowNs();
    std::deque<float> randoms;
    float defaultRandom = 0.5f;
    int draws = 0;
    bool ending_ = false;
};

// Whether the composer plays each mode, in the order of their controls.
inline std::array<bool, 4> modeFlags(const Composer& composer)
{
    std::array<bool, 4> flags{};
    for (Mode mode : allModes)
        flags[static_cast<std::size_t>(indexOf(mode))] = composer.modeOn(mode);
    return flags;
}

// A composer over the fake panel, the scripted host and an output component
// whose in-memory device 0 is open, as after start-up (pitch mode on).
struct Rig {
    FakePanel panel;
    ScriptedHost host;
    MemoryOutputBackend* out = nullptr;
    std::unique_ptr<MidiOutput> output;
    std::unique_ptr<Composer> composer;

    Rig()
    {
        auto backend = std::make_unique<MemoryOutputBackend>();
        out = backend.get();
        output = std::make_unique<MidiOutput>(std::move(backend));
        output->setRecorder(out);
        output->setDeviceNumber(0);
        output->setAction(1);
        composer = std::make_unique<Composer>(panel, host, *output);
        composer->setModeOn(Mode::Pitch, true);
        out->clearLog();
    }

    // Sets the mode check boxes and clicks one, as the window does.
    void setModes(int pitch, int velocity, int programme, int pan)
    {
        panel.check(controls::doMode(Mode::Pitch), pitch);
        panel.check(controls::doMode(Mode::Velocity), velocity);
        panel.check(controls::doMode(Mode::ProgrammeChange), programme);
        panel.check(controls::doMode(Mode::Pan), pan);
        composer->refreshModeFlags();
    }

    // Stops the given formula from inside yield n, as a click on its "Stop it"
    // handled there would; records StartNote as each yield finds it.
    void stopAtYield(int n, bool mixmaster)
    {
        host.onYield = [this, n, mixmaster](int y) {
            seen << composer->startNote().toText();
            if (y == n) {
                if (mixmaster)
                    composer->stopMixmaster();
                else
                    composer->stopWondrousness();
            }
        };
    }

    QStringList wire() const { return out->wireLog(); }
    QStringList seen; // StartNote at the top of each pass
};

} // namespace quorvane::testing
