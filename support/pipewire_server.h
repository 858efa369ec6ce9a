#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <vector>

// A private PipeWire sound server for one test program: its own runtime
// directory and session bus, the session manager that links streams to sinks,
// the PulseAudio service that programs play to, and a null sink that stands
// for the sound card. start() points this process's XDG_RUNTIME_DIR at it;
// everything is killed and the directory removed when it stops.
class PipewireServer {
public:
    static constexpr const char* sinkName = "quorvane_test";
    static constexpr int rate = 48000;

    PipewireServer();
    ~PipewireServer();

    // False when the server did not come up within a few seconds.
    bool start();
    // Kills the sound server at once, as a crash does; the session bus stays.
    void kill();
    // Starts the sound server again after kill(), with its null sink.
    bool restart();
    void stop();

    // The server's processes (pipewire, wireplumber, pipewire-pulse).
    QList<qint64> processIds() const;

    // Runs pactl against this server; its standard output.
    QString pactl(const QStringList& arguments) const;

    // After start() or restart() failed: the step that did not complete and
    // what the server's processes said, for the test's failure message.
    QString failure() const { return failure_; }

private:
    bool startServer();
    bool fail(const QString& step);
    QProcess* launch(const QString& program, const QStringList& arguments);

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<QProcess> bus_;
    std::vector<std::unique_ptr<QProcess>> server_; // pipewire, wireplumber, pipewire-pulse
    QString failure_;
};

// Records the null sink's monitor: what a listener at the speakers would hear,
// as interleaved 32-bit float stereo at the server's rate.
class SinkRecorder {
public:
    SinkRecorder() = default;
    ~SinkRecorder();
    bool start();
    void stop();
    // The loudest sample recorded since the last call; each call starts afresh.
    float peakSinceLastCall();

private:
    QProcess parec_;
};
