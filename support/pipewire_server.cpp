#include "pipewire_server.h"

#include "end_with_the_test.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>
#include <cmath>
#include <cstring>

namespace {

bool waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (condition())
            return true;
        QThread::msleep(50);
    }
    return false;
}

} // namespace

PipewireServer::PipewireServer() = default;

PipewireServer::~PipewireServer()
{
    stop();
}

QProcess* PipewireServer::launch(const QString& program, const QStringList& arguments)
{
    auto process = std::make_unique<QProcess>();
    endWithTheTest(*process);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(dir_->filePath(program + QStringLiteral(".log")), QIODevice::Append);
    process->start(program, arguments);
    process->waitForStarted(5000);
    server_.push_back(std::move(process));
    return server_.back().get();
}

bool PipewireServer::start()
{
    dir_ = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/quorvane-pipewire-XXXXXX"));
    if (!dir_->isValid())
        return false;
    QFile::setPermissions(dir_->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // Everything the server and its clients keep (sockets, the session
    // manager's remembered volumes) stays inside the directory.
    qputenv("XDG_RUNTIME_DIR", dir_->path().toLocal8Bit());
    qputenv("XDG_STATE_HOME", dir_->filePath(QStringLiteral("state")).toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", dir_->filePath(QStringLiteral("config")).toLocal8Bit());
    qunsetenv("PULSE_SERVER");
    qunsetenv("PIPEWIRE_REMOTE");
    // The session manager needs a session bus; under CI, as root with no
    // desktop, there is none, so the server gets one of its own.
    const QString bus = dir_->filePath(QStringLiteral("bus"));
    bus_ = std::make_unique<QProcess>();
    endWithTheTest(*bus_);
    bus_->setStandardOutputFile(QProcess::nullDevice());
    bus_->setStandardErrorFile(QProcess::nullDevice());
    bus_->start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                QStringLiteral("--address=unix:path=") + bus});
    if (!bus_->waitForStarted(5000) || !waitFor([&] { return QFile::exists(bus); }, 5000))
        return false;
    qputenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + bus).toLocal8Bit());
    return startServer();
}

bool PipewireServer::startServer()
{
    launch(QStringLiteral("pipewire"), {});
    if (!waitFor([&] { return QFile::exists(dir_->filePath(QStringLiteral("pipewire-0"))); }, 5000))
        return fail(QStringLiteral("pipewire made no socket"));
    launch(QStringLiteral("wireplumber"), {});
    // The PulseAudio service gives up when its directory appears between its
    // own check and its mkdir, which any PulseAudio client (pactl, the
    // program under test) does when it finds no server; made here first,
    // there is nothing to race.
    const QString pulseDir = dir_->filePath(QStringLiteral("pulse"));
    QDir().mkpath(pulseDir);
    QFile::setPermissions(pulseDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    launch(QStringLiteral("pipewire-pulse"), {});
    if (!waitFor([&] { return pactl({QStringLiteral("info")}).contains(QStringLiteral("PipeWire")); }, 5000))
        return fail(QStringLiteral("the PulseAudio service did not answer"));
    pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
           QStringLiteral("sink_name=%1").arg(QLatin1String(sinkName)), QStringLiteral("rate=%1").arg(rate)});
    // The session manager makes the only sink the default one, where new
    // streams go.
    if (!waitFor([&] { return pactl({QStringLiteral("get-default-sink")}).trimmed() == QLatin1String(sinkName); },
                 5000))
        return fail(QStringLiteral("the null sink did not become the default (default: %1)")
                        .arg(pactl({QStringLiteral("get-default-sink")}).trimmed()));
    return true;
}

bool PipewireServer::fail(const QString& step)
{
    failure_ = step;
    for (const auto& process : server_) {
        const QString program = process->program();
        failure_ += QStringLiteral("\n%1: %2").arg(program, process->state() == QProcess::Running
                                                               ? QStringLiteral("running")
                                                               : QStringLiteral("ended, exit code %1")
                                                                     .arg(process->exitCode()));
        QFile log(dir_->filePath(program + QStringLiteral(".log")));
        if (log.open(QIODevice::ReadOnly))
            failure_ += QStringLiteral("\n") + QString::fromLocal8Bit(log.readAll().right(1500));
    }
    return false;
}

void PipewireServer::kill()
{
    // The PulseAudio service first, so that clients see their connection
    // break, as when the whole server crashes.
    for (auto it = server_.rbegin(); it != server_.rend(); ++it) {
        (*it)->kill();
        (*it)->waitForFinished(3000);
    }
    server_.clear();
    // A killed server leaves its sockets and lock files behind; a new one
    // must not be taken as listening before it binds them afresh.
    if (dir_) {
        for (const QString& name :
             QDir(dir_->path()).entryList({QStringLiteral("pipewire-0*")}, QDir::Files | QDir::System))
            QFile::remove(dir_->filePath(name));
        QDir(dir_->filePath(QStringLiteral("pulse"))).removeRecursively();
    }
}

void PipewireServer::stop()
{
    kill();
    if (bus_) {
        bus_->kill();
        bus_->waitForFinished(3000);
        bus_.reset();
    }
    dir_.reset(); // removes the sockets and whatever the server kept
}

QString PipewireServer::pactl(const QStringList& arguments) const
{
    QProcess tool;
    tool.start(QStringLiteral("pactl"), arguments);
    tool.waitForFinished(5000);
    return QString::fromLocal8Bit(tool.readAllStandardOutput());
}

QList<qint64> PipewireServer::processIds() const
{
    QList<qint64> ids;
    for (const auto& process : server_)
        ids << process->processId();
    return ids;
}

bool PipewireServer::restart()
{
    kill();
    return startServer();
}

SinkRecorder::~SinkRecorder()
{
    stop();
}

void SinkRecorder::stop()
{
    parec_.kill();
    parec_.waitForFinished(3000);
}

bool SinkRecorder::start()
{
    endWithTheTest(parec_);
    parec_.setStandardErrorFile(QProcess::nullDevice());
    parec_.start(QStringLiteral("parec"),
                 {QStringLiteral("--device=%1.monitor").arg(QLatin1String(PipewireServer::sinkName)),
                  QStringLiteral("--format=float32le"), QStringLiteral("--rate=%1").arg(PipewireServer::rate),
                  QStringLiteral("--channels=2"), QStringLiteral("--latency-msec=20"), QStringLiteral("--raw")});
    return parec_.waitForStarted(5000);
}

float SinkRecorder::peakSinceLastCall()
{
    parec_.waitForReadyRead(100);
    const QByteArray data = parec_.readAllStandardOutput();
    float peak = 0.0f;
    for (int i = 0; i + 4 <= data.size(); i += 4) {
        float sample;
        std::memcpy(&sample, data.constData() + i, sizeof sample);
        peak = std::max(peak, std::abs(sample));
    }
    return peak;
}
