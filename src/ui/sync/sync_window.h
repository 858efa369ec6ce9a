#pragma once

#include "engine/composer.h"
#include "engine/host.h"
#include "link/link_session.h"
#include "sync/midi_clock_out.h"
#include "sync/own_tempo.h"

#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace quorvane {

class LinkRuns;

// What the sync window sets and shows, made by the program.
struct SyncWindowParts {
    Composer& composer;
    OwnTempo& ownTempo;
    MidiClockOut& clockOut;
    const SyncSource& clockIn;   // the MIDI clock at the input
    const SyncSource& transport; // the JACK transport
    std::function<bool()> transportOffered; // whether the JACK system is in use
    Host& host; // its clock times the status line
    LinkSession& link;
};

// "Quorvane Sync": where the runs take their beat from (their own delay, the
// program's own tempo), the grid they keep to, whether the program sends MIDI
// clock, and a status line that tells where the beat stands, a few times a
// second while the window is open. The choices apply at once, also to a run
// under way.
class SyncWindow : public QWidget {
    Q_OBJECT
public:
    enum class Source { Free, Tempo, ClockIn, Transport, Link };

    explicit SyncWindow(const SyncWindowParts& parts, QWidget* parent = nullptr);

    // The status line as it reads now.
    QString statusText() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // An outside source: "no clock" or the like, stopped, or running
    // ("rolling" or the like) and where.
    QString outsideStatusText(const QString& name, const SyncStatus& status, const QString& nothing,
                              const QString& running) const;
    QWidget* makeSourceBox();
    QWidget* makeGridBox();
    void applyChoice(); // the source and grid chosen, to the composer
    void tempoTextChanged();
    void showSessionTempo();
    void refreshStatus();
    Source source() const;
    GridDivision division() const;

    SyncWindowParts parts_;
    QButtonGroup* sources_ = nullptr;
    QButtonGroup* grid_ = nullptr;
    QLineEdit* tempo_ = nullptr;
    QRadioButton* transport_ = nullptr;
    QCheckBox* sendClock_ = nullptr;
    QLabel* status_ = nullptr;
    QCheckBox* startStopSync_ = nullptr;
    QTimer statusTimer_;
    LinkRuns* linkRuns_ = nullptr;
};

// Shows the one sync window, made on first use and kept (hidden when
// closed) for as long as `window` lives, beside its owner.
void showSyncWindow(std::unique_ptr<SyncWindow>& window, const SyncWindowParts& parts, QWidget* owner);

} // namespace quorvane
