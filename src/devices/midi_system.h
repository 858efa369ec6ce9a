#pragma once

#include "devices/clock_in_tracker.h"
#include "devices/clock_out_plan.h"
#include "midi/error_policy.h"
#include "midi/input_thru.h"
#include "midi/stereo_playback.h"
#include "midi/midi_errors.h"
#include "sync/audio_beat.h"
#include "sync/beat_timeline.h"
#include "sync/snapshot_cell.h"

#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace quorvane {

class JackClient;

// Which MIDI system the program talks to: a JACK server when one answers (a
// musician who runs JACK, or PipeWire's JACK, wants JACK ports), otherwise the
// ALSA sequencer, otherwise none. The program owns one and hands it to the
// back ends that talk to it.
class MidiSystem {
public:
    enum class Kind { None, Jack, Alsa };

    MidiSystem();
    ~MidiSystem();
    MidiSystem(const MidiSystem&) = delete;
    MidiSystem& operator=(const MidiSystem&) = delete;

    // The system to use now. Looks again each time there is none yet, or the
    // JACK server went away.
    Kind current();
    // The program's JACK client while JACK is the system in use, else null.
    JackClient* jack();
    // The rate a running JACK server plays at, 0 when none runs: the
    // built-in synthesizer's JACK output has to follow it.
    int jackSampleRate();
    // Plays a renderer through audio ports of the program's JACK client (see
    // JackClient::playStereo); null unless JACK is the system in use.
    std::unique_ptr<StereoPlayback> playStereo(StereoRenderer& renderer, const QString& name,
                                               std::function<void()> onLoss);

    // The failure for "no MIDI system", in words that say what to do about it.
    MidiFailure missing() const;
    // The failure for "the MIDI system went away".
    static MidiFailure lost();

    // Which failures the musician is told of; rearmed whenever a MIDI system
    // is found, so that its next absence or loss is told again.
    ErrorPolicy& errorPolicy() { return errorPolicy_; }

    // What the MIDI clock the program sends is to do, on whichever system.
    SnapshotCell<ClockOutPlan>& clockOutPlan() { return clockPlan_; }
    // The program's own beat, which that clock keeps to; set once, before
    // the system is first used, and kept for as long as the system lives.
    void setOwnBeat(const SnapshotCell<BeatTimeline>* beat) { ownBeat_ = beat; }
    // The network session's beat, which that clock relays while it is the
    // source; likewise set once, and kept for as long as the system lives.
    void setSessionBeat(const AudioBeat* beat) { sessionBeat_ = beat; }
    const AudioBeat* sessionBeat() const { return sessionBeat_; }
    // The MIDI clock coming in at the input: fed by the one thread of the
    // system in use that receives (the JACK process callback, RtMidi's input
    // thread), read anywhere.
    ClockInTracker& clockInTracker() { return clockInTracker_; }
    const SnapshotCell<BeatReading>& clockIn() const { return clockIn_; }
    // The JACK transport's beat, published by the process callback.
    const SnapshotCell<BeatReading>& transport() const { return transport_; }

    // Forwarding at the input as it arrives, for every system; the JACK
    // process callback reads it in each cycle.
    InputThru& inputThru() { return inputThru_; }

    // Called (on a thread of the MIDI system) when the JACK server shuts down.
    void addLossListener(const void* key, std::function<void()> listener);
    void removeLossListener(const void* key);

    static QString clientName() { return QStringLiteral("Quorvane"); }
    // How device -1, the port others patch from, is listed: with the system
    // in use, so that the device dialog shows which one that is, and with
    // none named when there is none.
    static QString virtualPortName(Kind kind);

private:
    void serverLost();
    static bool alsaAvailable();

    SnapshotCell<ClockOutPlan> clockPlan_;
    SnapshotCell<BeatReading> clockIn_;
    ClockInTracker clockInTracker_{clockIn_};
    SnapshotCell<BeatReading> transport_;
    const SnapshotCell<BeatTimeline>* ownBeat_ = nullptr;
    const AudioBeat* sessionBeat_ = nullptr;
    InputThru inputThru_;
    std::mutex mutex_;
    Kind kind_ = Kind::None;
    ErrorPolicy errorPolicy_;
    std::unique_ptr<JackClient> jack_;
    // Clients of servers that went away: closing one could wait on that server
    // for ever, so they are kept, a few bytes per restart of the server.
    std::vector<std::unique_ptr<JackClient>> gone_;

    std::mutex listenerMutex_;
    std::map<const void*, std::function<void()>> lossListeners_;
};

} // namespace quorvane
