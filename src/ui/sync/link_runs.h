#pragma once

#include "engine/composer.h"
#include "engine/formulas_and_modes.h"
#include "engine/host.h"
#include "link/link_session.h"

#include <QObject>
#include <QTimer>
#include <cstdint>

namespace quorvane {

// With "Start/Stop Sync", the runs and the Link session's transport go
// together: "Do it" starts the session (a run holds until it plays and
// starts on the next bar line), a peer's start starts a run of the formula
// last played (Wondrousness when none was), and "Stop it" or a peer's stop
// ends both. Looks at the session and the runs every few milliseconds on
// the user-interface thread; the session's own threads never reach here.
class LinkRuns : public QObject {
    Q_OBJECT
public:
    LinkRuns(LinkSession& session, Composer& composer, Host& host, QObject* parent = nullptr);

    // On while the Link source is chosen with start/stop sync.
    void setActive(bool on);
    bool isActive() const { return looks_.isActive(); }
    // One look now: the runs and the transport brought together.
    void look();

private:
    bool runsGoOn() const { return composer_.wondrousRunning() || composer_.mixRunning(); }
    // A run's first line: the first bar line the output can still be handed
    // in time for, and not before the session's start.
    void holdForTheBar(std::int64_t notBeforeNs);

    LinkSession& session_;
    Composer& composer_;
    Host& host_;
    QTimer looks_;
    bool runsWent_ = false;
    std::uint64_t changesHeard_ = 0;
    Formula lastPlayed_ = Formula::Wondrousness;
};

} // namespace quorvane
