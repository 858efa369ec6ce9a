#include "ui/sync/sync_window.h"

#include "ui/common/box_mark.h"
#include "ui/common/window_placement.h"
#include "ui/sync/link_runs.h"
#include "ui/sync/sync_names.h"
#include "values/variant.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>

namespace quorvane {

namespace {

// A few times a second: enough to follow the beat by eye, too rarely to cost.
constexpr int statusEveryMs = 250;

QRadioButton* addChoice(QButtonGroup* group, QLayout* layout, const QString& text, const char* name, int id)
{
    auto* button = new QRadioButton(text);
    button->setObjectName(QString::fromLatin1(name));
    group->addButton(button, id);
    layout->addWidget(button);
    return button;
}

QString bpmText(double bpm)
{
    return QStringLiteral("%1 bpm").arg(bpm, 0, 'f', 1);
}

} // namespace

SyncWindow::SyncWindow(const SyncWindowParts& parts, QWidget* parent)
    : QWidget(parent, Qt::Window), parts_(parts)
{
    setObjectName(QString::fromLatin1(syncnames::Window));
    setWindowTitle(tr("Quorvane Sync"));
    auto* layout = new QVBoxLayout(this);
    auto* choices = new QHBoxLayout;
    choices->addWidget(makeSourceBox());
    choices->addWidget(makeGridBox());
    layout->addLayout(choices);
    sendClock_ = new QCheckBox(tr("Send MIDI Clock"));
    sendClock_->setObjectName(QString::fromLatin1(syncnames::SendClock));
    layout->addWidget(sendClock_);
    status_ = new QLabel;
    status_->setObjectName(QString::fromLatin1(syncnames::Status));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(status_);
    layout->addStretch();

    connect(sources_, &QButtonGroup::idClicked, this, [this] { applyChoice(); });
    connect(grid_, &QButtonGroup::idClicked, this, [this] { applyChoice(); });
    connect(tempo_, &QLineEdit::textChanged, this, [this] { tempoTextChanged(); });
    connect(sendClock_, &QCheckBox::toggled, this, [this](bool on) {
        parts_.clockOut.setSending(on);
        refreshStatus();
    });
    linkRuns_ = new LinkRuns(parts_.link, parts_.composer, parts_.host, this);
    connect(startStopSync_, &QCheckBox::toggled, this, [this] { applyChoice(); });
    statusTimer_.setInterval(statusEveryMs);
    connect(&statusTimer_, &QTimer::timeout, this, [this] { refreshStatus(); });
    applyChoice();
    refreshStatus();
}

QWidget* SyncWindow::makeSourceBox()
{
    auto* box = new QGroupBox(tr("Source"));
    auto* layout = new QVBoxLayout(box);
    sources_ = new QButtonGroup(this);
    addChoice(sources_, layout, tr("Free (Delay)"), syncnames::FreeSource, int(Source::Free))->setChecked(true);
    addChoice(sources_, layout, tr("Tempo"), syncnames::TempoSource, int(Source::Tempo));
    auto* tempoRow = new QHBoxLayout;
    tempoRow->addSpacing(20);
    auto* label = new QLabel(tr("Tempo (bpm)"));
    tempo_ = new QLineEdit(QStringLiteral("120"));
    tempo_->setObjectName(QString::fromLatin1(syncnames::TempoBox));
    tempo_->setMaximumWidth(60);
    label->setBuddy(tempo_);
    tempoRow->addWidget(label);
    tempoRow->addWidget(tempo_);
    tempoRow->addStretch();
    layout->addLayout(tempoRow);
    addChoice(sources_, layout, tr("MIDI Clock In"), syncnames::ClockInSource, int(Source::ClockIn));
    transport_ = addChoice(sources_, layout, tr("JACK Transport"), syncnames::TransportSource, int(Source::Transport));
    addChoice(sources_, layout, tr("Ableton Link"), syncnames::LinkSource, int(Source::Link));
    auto* linkRow = new QHBoxLayout;
    linkRow->addSpacing(20);
    startStopSync_ = new QCheckBox(tr("Start/Stop Sync"));
    startStopSync_->setObjectName(QString::fromLatin1(syncnames::StartStopSync));
    linkRow->addWidget(startStopSync_);
    layout->addLayout(linkRow);
    return box;
}

QWidget* SyncWindow::makeGridBox()
{
    auto* box = new QGroupBox(tr("Grid"));
    auto* layout = new QVBoxLayout(box);
    grid_ = new QButtonGroup(this);
    addChoice(grid_, layout, QStringLiteral("1/4"), syncnames::Quarter, int(GridDivision::Quarter));
    addChoice(grid_, layout, QStringLiteral("1/8"), syncnames::Eighth, int(GridDivision::Eighth));
    addChoice(grid_, layout, QStringLiteral("1/16"), syncnames::Sixteenth, int(GridDivision::Sixteenth))
        ->setChecked(true);
    addChoice(grid_, layout, QStringLiteral("1/32"), syncnames::ThirtySecond, int(GridDivision::ThirtySecond));
    layout->addStretch();
    return box;
}

SyncWindow::Source SyncWindow::source() const
{
    return static_cast<Source>(sources_->checkedId());
}

GridDivision SyncWindow::division() const
{
    return static_cast<GridDivision>(grid_->checkedId());
}

void SyncWindow::applyChoice()
{
    const Source chosen = source();
    // In the Link session only while it is chosen: nothing on the network otherwise.
    parts_.link.setStartStopSync(startStopSync_->isChecked());
    parts_.link.setEnabled(chosen == Source::Link);
    linkRuns_->setActive(chosen == Source::Link && startStopSync_->isChecked());
    const SyncSource* source = nullptr;
    // "Free (Delay)" sends its clock at the tempo box's tempo too; an outside
    // source's clock is relayed.
    ClockFollows follows = ClockFollows::OwnTempo;
    switch (chosen) {
    case Source::Free: break;
    case Source::Tempo: source = &parts_.ownTempo; break;
    case Source::ClockIn:
        source = &parts_.clockIn;
        follows = ClockFollows::ClockIn;
        break;
    case Source::Transport:
        source = &parts_.transport;
        follows = ClockFollows::Transport;
        break;
    case Source::Link:
        source = &parts_.link;
        follows = ClockFollows::Session;
        break;
    }
    parts_.composer.setGrid(source, division());
    parts_.clockOut.follow(follows);
    if (chosen != Source::Link)
        tempoTextChanged(); // the box's tempo, which showed the session's, is the program's own again
    refreshStatus();
}

void SyncWindow::tempoTextChanged()
{
    // A box with no usable tempo is marked, and the last good one stays.
    const std::optional<double> bpm = textToNumber(tempo_->text());
    const bool usable = bpm && *bpm >= OwnTempo::lowestBpm && *bpm <= OwnTempo::highestBpm;
    showBoxMark(tempo_, usable ? BoxMark::None : BoxMark::Unusable,
                usable ? QString() : tr("The tempo must be a number from 20 to 300."));
    if (usable && source() == Source::Link) {
        parts_.link.proposeTempo(*bpm, parts_.host.now()); // Link spreads it to every peer
    } else if (usable) {
        parts_.ownTempo.setBpm(*bpm, parts_.host.now());
        parts_.clockOut.beatChanged();
    }
    refreshStatus();
}

QString SyncWindow::statusText() const
{
    const std::int64_t now = parts_.host.now();
    switch (source()) {
    case Source::Free:
        if (parts_.clockOut.sending())
            return tr("Free (Delay), sending MIDI Clock at %1").arg(bpmText(parts_.ownTempo.bpm()));
        return tr("Free (Delay)");
    case Source::Tempo: {
        const SyncStatus s = parts_.ownTempo.status(now);
        return tr("Tempo: running, %1, bar %2 beat %3").arg(bpmText(s.bpm)).arg(s.bar).arg(s.beat);
    }
    case Source::ClockIn:
        return outsideStatusText(tr("MIDI Clock In"), parts_.clockIn.status(now), tr("no clock"), tr("running"));
    case Source::Transport:
        return outsideStatusText(tr("JACK Transport"), parts_.transport.status(now), tr("no timebase master"),
                                 tr("rolling"));
    case Source::Link: {
        const SyncStatus s = parts_.link.status(now);
        const std::size_t peers = parts_.link.peers();
        const QString peersText = peers == 1 ? tr("1 peer") : tr("%1 peers").arg(peers);
        return tr("Link: %1, %2, beat %3 of %4%5")
            .arg(peersText, bpmText(s.bpm))
            .arg(s.beat)
            .arg(int(LinkSession::quantum))
            .arg(s.state == SourceState::Stopped ? tr(", stopped") : QString());
    }
    }
    return QString();
}

QString SyncWindow::outsideStatusText(const QString& name, const SyncStatus& s, const QString& nothing,
                                      const QString& running) const
{
    switch (s.state) {
    case SourceState::NoSignal: return tr("%1: %2").arg(name, nothing);
    case SourceState::Stopped: return tr("%1: stopped, %2").arg(name, bpmText(s.bpm));
    case SourceState::Running: break;
    }
    return tr("%1: %2, %3, bar %4 beat %5").arg(name, running, bpmText(s.bpm)).arg(s.bar).arg(s.beat);
}

void SyncWindow::showSessionTempo()
{
    // Not while the user types in the box; to a tenth, as the status line.
    const double bpm = std::round(parts_.link.tempo() * 10) / 10;
    const std::optional<double> shown = textToNumber(tempo_->text());
    if (tempo_->hasFocus() || (shown && std::abs(*shown - bpm) < 0.05))
        return;
    const QSignalBlocker showingOnly(tempo_);
    tempo_->setText(QString::number(bpm));
    showBoxMark(tempo_, BoxMark::None, QString());
}

void SyncWindow::refreshStatus()
{
    if (source() == Source::Link) {
        parts_.link.setOutputLatency(parts_.composer.output().soundLatencyNs());
        showSessionTempo();
    }
    status_->setText(statusText());
}

void SyncWindow::showEvent(QShowEvent* event)
{
    // The transport is JACK's: offered while the JACK system is in use (or
    // while it is the choice, which a lost server does not take away).
    transport_->setVisible(transport_->isChecked() || (parts_.transportOffered && parts_.transportOffered()));
    refreshStatus();
    statusTimer_.start();
    QWidget::showEvent(event);
}

void SyncWindow::hideEvent(QHideEvent* event)
{
    statusTimer_.stop();
    QWidget::hideEvent(event);
}

void showSyncWindow(std::unique_ptr<SyncWindow>& window, const SyncWindowParts& parts, QWidget* owner)
{
    if (!window) {
        window = std::make_unique<SyncWindow>(parts, owner);
        window->adjustSize();
        // Beside the main window, left of it or right, so that both stay in
        // sight while a run follows the beat.
        const QRect owned = owner->frameGeometry();
        placeBeside(*window, *owner,
                    {owned.topLeft() - QPoint(window->frameGeometry().width() + 8, 0),
                     owned.topRight() + QPoint(8, 0), owned.bottomLeft() + QPoint(0, 8)});
    }
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace quorvane
