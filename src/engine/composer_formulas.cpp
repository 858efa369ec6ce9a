#include "engine/composer.h"

#include "engine/control_names.h"
#include "values/number_rules.h"

#include <cmath>

namespace quorvane {

namespace {

// The random start value (127 - 0 + 1) * r + 0, in single precision.
float randomStartValue(Host& host)
{
    return 128.0f * host.random() + 0.0f;
}

// A fresh whole number 0..127 for the Wondrousness restarts.
Variant randomWholeNote(Host& host)
{
    return Variant::single(std::floor(randomStartValue(host)));
}

} // namespace

void Composer::noteOffAndFold(Formula formula)
{
    if (checked(controls::UseNoteOff))
        PitchOff();
    const double computed = startNote_.numberOr(0.0);
    fold(formula);
    if (observer_)
        observer_->passComputed(formula, computed, startNote_.numberOr(0.0));
}

void Composer::fold(Formula formula)
{
    if (!checked(controls::UseModulo))
        return;
    // A modulo box that holds no usable number (empty, text, 0) folds
    // nothing in this pass instead of stopping the run.
    const std::optional<double> modulo = formula == Formula::Mixmaster ? moduloInBox() : std::optional<double>(127.0);
    if (!modulo)
        return;
    if (const std::optional<double> folded = wholeMod(startNote_.numberOr(0.0), *modulo))
        startNote_ = Variant(*folded);
}

bool Composer::playTurn(Mode modeTurn)
{
    struckNote_.reset();
    if (!modeOn(modeTurn))
        return true; // nothing sent, no pause
    switch (modeTurn) {
    case Mode::Pitch: PitchOn(); break;
    case Mode::Velocity: VelOn(); break;
    case Mode::ProgrammeChange: ProgOn(); break;
    case Mode::Pan: PanOn(); break;
    }
    DoSleep();
    return !host_.ending();
}

void Composer::rememberNoteOff()
{
    // The velocity mode plays its number as the velocity of the note shown in
    // TextVal(0), and a note range may move the pitch mode's note; switching
    // off StartNote instead would leave the note struck sounding for good.
    startNoteOff_ = struckNote_ ? *struckNote_ : startNote_;
}

void Composer::endRun()
{
    // The note sounding when the run stops would otherwise hang until the
    // next run's first note-off, or forever.
    if (checked(controls::UseNoteOff))
        PitchOff();
}

namespace {

// How often a held run looks whether its source runs again.
constexpr long long holdLookMs = 5;

} // namespace

std::int64_t Composer::passHeardAt() const
{
    // On a grid, on the line; free, the output's latency after the pass's
    // time, as an untimed send at that moment would be heard.
    return passClock_.passTime() + (passClock_.onGrid() ? 0 : output_.latencyNs());
}

Composer::PassSends::PassSends(Composer& composer) : composer_(composer)
{
    composer_.passClock_.catchUp(composer_.host_.now(), composer_.output_.schedulingLeadNs());
    composer_.output_.setSendTime(composer_.passHeardAt());
}

Composer::RunSpan::RunSpan(Composer& composer) : composer_(composer)
{
    composer_.passClock_.start(composer_.host_.now(), composer_.output_.schedulingLeadNs());
    if (composer_.runsUnderWay_++ == 0 && composer_.runMarks_)
        composer_.runMarks_->runStarted(composer_.passHeardAt());
}

Composer::RunSpan::~RunSpan()
{
    if (--composer_.runsUnderWay_ == 0 && composer_.runMarks_)
        composer_.runMarks_->runEnded();
}

bool Composer::awaitPassTime(const bool& running)
{
    if (!passClock_.sourceRuns(host_.now())) {
        silenceSoundingNote();
        while (!passClock_.sourceRuns(host_.now())) {
            host_.pause(holdLookMs);
            host_.yield(); // "Stop it" and the rest of the window go on
            if (!running || host_.ending())
                return false;
        }
        passClock_.start(host_.now(), output_.schedulingLeadNs());
    }
    // The first line of a run, or the first after a hold, may lie ahead; on
    // a grid the source tells where the line lies once more at hand-over.
    for (bool refined : {false, true}) {
        if (refined)
            passClock_.refineLine();
        const std::int64_t handOver = passClock_.passTime() - output_.schedulingLeadNs();
        if (handOver > host_.now())
            host_.pauseUntil(handOver);
    }
    return !host_.ending();
}

void Composer::runMixmaster()
{
    if (host_.ending())
        return;
    panel_.setFormulaBold(Formula::Mixmaster, true);
    mixRunning_ = true;
    const RunSpan span(*this);
    float mixValue = randomStartValue(host_);
    Mode modeTurn = Mode::Pitch;
    while (mixRunning_) {
        host_.yield();
        if (host_.ending())
            return;
        if (!awaitPassTime(mixRunning_)) {
            if (host_.ending())
                return;
            continue; // stopped while it held
        }
        const PassSends sends(*this);
        prevStartNote_ = startNote_;
        const float whole = std::floor(mixValue);
        startNote_ = Variant::single(whole);
        const float fraction = mixValue - whole;
        // In single precision every continued fraction soon meets a
        // fractional part of exactly 0, and the reciprocal of a tiny one
        // overflows: both start the formula afresh from a new random value
        // instead of ending the run. The number of this pass is still played.
        const float next = fraction != 0.0f ? 1.0f / fraction : 0.0f;
        mixValue = fraction != 0.0f && std::isfinite(next) ? next : randomStartValue(host_);
        noteOffAndFold(Formula::Mixmaster);
        if (!playTurn(modeTurn))
            return;
        modeTurn = nextMode(modeTurn);
        rememberNoteOff();
    }
    endRun();
}

void Composer::stopMixmaster()
{
    mixRunning_ = false;
    panel_.setFormulaBold(Formula::Mixmaster, false);
}

void Composer::runWondrousness()
{
    if (host_.ending())
        return;
    const QString startBox = controls::StartNote;
    const QString start = panel_.text(startBox);
    if (!textToNumber(start)) {
        panel_.setInvalidMark(startBox, true);
        panel_.showMessage(QStringLiteral("The start note must be a number."));
        return;
    }
    panel_.setInvalidMark(startBox, false);
    panel_.setFormulaBold(Formula::Wondrousness, true);
    wondrousRunning_ = true;
    const RunSpan span(*this);
    Mode modeTurn = Mode::Pitch;
    // The text itself: it becomes a number at its first use in the pass.
    startNote_ = Variant(start);
    while (wondrousRunning_) {
        host_.yield();
        if (host_.ending())
            return;
        if (!awaitPassTime(wondrousRunning_)) {
            if (host_.ending())
                return;
            continue; // stopped while it held
        }
        const PassSends sends(*this);
        prevStartNote_ = startNote_;
        const double x = startNote_.numberOr(0.0);
        startNote_ = Variant(isEvenWhole(x) ? x / 2.0 : x * 3.0 + 1.0);
        noteOffAndFold(Formula::Wondrousness);
        if (!playTurn(modeTurn))
            return;
        modeTurn = nextMode(modeTurn);
        rememberNoteOff();
        const double played = startNote_.numberOr(0.0);
        // 63 is the value the modulo-127 rule maps to itself (3 * 63 + 1 = 190,
        // 190 Mod 127 = 63).
        if (played == 63.0)
            panel_.setRedMark(controls::result(Mode::Pitch));
        // A run that reaches 1 would cycle 4, 2, 1 for ever; an overflowed
        // value (infinite, or NaN after folding one) would never change again.
        if (played <= 1.0 || !std::isfinite(played))
            startNote_ = randomWholeNote(host_);
        if (numericEquals(startNote_, prevStartNote_))
            startNote_ = randomWholeNote(host_);
    }
    endRun();
}

void Composer::stopWondrousness()
{
    wondrousRunning_ = false;
    panel_.setFormulaBold(Formula::Wondrousness, false);
}

} // namespace quorvane
