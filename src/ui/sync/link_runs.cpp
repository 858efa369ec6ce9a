#include "ui/sync/link_runs.h"

#include <algorithm>

namespace quorvane {

namespace {

// Often enough that a run held for the session's start loses no bar at any
// tempo the program plays (a bar at 300 bpm is 800 ms), seldom enough to cost
// nothing.
constexpr int lookEveryMs = 10;

} // namespace

LinkRuns::LinkRuns(LinkSession& session, Composer& composer, Host& host, QObject* parent)
    : QObject(parent), session_(session), composer_(composer), host_(host)
{
    looks_.setInterval(lookEveryMs);
    connect(&looks_, &QTimer::timeout, this, [this] { look(); });
}

void LinkRuns::setActive(bool on)
{
    if (on == isActive())
        return;
    runsWent_ = runsGoOn();
    changesHeard_ = session_.transportChanges();
    if (on)
        looks_.start();
    else
        looks_.stop();
}

void LinkRuns::holdForTheBar(std::int64_t notBeforeNs)
{
    const std::int64_t earliest = std::max(notBeforeNs, host_.now() + composer_.output().schedulingLeadNs());
    session_.holdLinesUntil(session_.barAtOrAfter(earliest).value_or(0));
}

void LinkRuns::look()
{
    const bool runsGo = runsGoOn();
    if (composer_.wondrousRunning())
        lastPlayed_ = Formula::Wondrousness;
    else if (composer_.mixRunning())
        lastPlayed_ = Formula::Mixmaster;
    const std::uint64_t changes = session_.transportChanges();
    const bool sessionChanged = changes != changesHeard_;
    changesHeard_ = changes;
    const bool playing = session_.isPlaying();
    const std::int64_t now = host_.now();

    if (runsGo && !runsWent_ && !playing) {
        // "Do it": the run holds while the session is stopped; it starts the
        // session and plays from the next bar line on.
        // Alone in the session, its beat 1 is that moment; with peers, the
        // first bar line from it.
        const std::int64_t start = now + composer_.output().schedulingLeadNs();
        session_.setPlaying(true, start);
        holdForTheBar(start);
    } else if (!runsGo && runsWent_ && playing && !sessionChanged) {
        session_.setPlaying(false, now); // "Stop it"
    } else if (sessionChanged && !playing && runsGo) {
        composer_.stopWondrousness(); // a peer's stop
        composer_.stopMixmaster();
    } else if (sessionChanged && playing && !runsGo) {
        // A peer's start: a run from the first bar line of the session's
        // start, begun from the event queue, as a click would be.
        holdForTheBar(session_.transportChangedAt());
        const Formula formula = lastPlayed_;
        QTimer::singleShot(0, this, [this, formula] {
            if (formula == Formula::Mixmaster)
                composer_.runMixmaster();
            else
                composer_.runWondrousness();
        });
    }
    runsWent_ = runsGo;
}

} // namespace quorvane
