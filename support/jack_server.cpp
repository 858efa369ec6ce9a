#include "jack_server.h"

#include "end_with_the_test.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QThread>
#include <cstdlib>

// One fixed name per test program: libjack keeps a slot per server name in a
// registry of eight, and a server that died without tidying up holds its slot
// until a server of the same name starts again. QUORVANE_TEST_TAG tells apart
// the servers of two checkouts tested side by side on one machine.
JackServer::JackServer()
    : name_(qEnvironmentVariableIsEmpty("QUORVANE_TEST_TAG")
                ? QStringLiteral("quorvane-%1").arg(QCoreApplication::applicationName())
                : QStringLiteral("quorvane-%1-%2")
                      .arg(qEnvironmentVariable("QUORVANE_TEST_TAG"), QCoreApplication::applicationName()))
{ }

JackServer::~JackServer()
{
    stop();
}

QString runJackTool(const QString& program, const QStringList& arguments, int* exitCode)
{
    QProcess tool;
    tool.start(program, arguments);
    tool.waitForFinished(10000);
    if (exitCode)
        *exitCode = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    return QString::fromLocal8Bit(tool.readAllStandardOutput());
}

bool JackServer::start(int periodFrames)
{
    qputenv("JACK_DEFAULT_SERVER", name_.toLocal8Bit());
    qputenv("JACK_NO_START_SERVER", "1");
    // A server of this name left running by an earlier run that crashed would
    // answer in place of ours, at whatever period it has.
    if (!ports().isEmpty()) {
        qWarning("A JACK server named %s already runs; stop it first.", qPrintable(name_));
        return false;
    }
    server_ = std::make_unique<QProcess>();
    server_->setProcessChannelMode(QProcess::MergedChannels);
    // Into a file, never a pipe: nothing here reads jackd's output, and a
    // full pipe would stall the server at its next line (it prints one for
    // each xrun, thousands on a loaded machine).
    server_->setStandardOutputFile(QDir::temp().filePath(name_ + QStringLiteral(".log")));
    endWithTheTest(*server_);
    server_->start(QStringLiteral("jackd"),
                   {realtime_ ? QStringLiteral("--realtime") : QStringLiteral("--no-realtime"), QStringLiteral("-n"), name_, QStringLiteral("-d"),
                    QStringLiteral("dummy"), QStringLiteral("-r"), QStringLiteral("48000"), QStringLiteral("-p"),
                    QString::number(periodFrames)});
    if (!server_->waitForStarted(5000))
        return false;
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        if (server_->state() != QProcess::Running)
            return false;
        if (ports().contains(QStringLiteral("system:playback_1")))
            return true;
        QThread::msleep(100);
    }
    return false;
}

void JackServer::stop()
{
    // The server goes first: on shutdown jackd waits five seconds for a client
    // that was killed before it noticed, while live clients let it go at once.
    if (server_) {
        server_->terminate();
        if (!server_->waitForFinished(5000)) {
            server_->kill();
            server_->waitForFinished(3000);
        }
        server_.reset();
    }
    kept_.clear(); // no process callback runs any more
    for (auto& client : clients_) {
        client->kill();
        client->waitForFinished(3000);
    }
    clients_.clear();
}

void JackServer::kill()
{
    if (!server_)
        return;
    server_->kill();
    server_->waitForFinished(3000);
    server_.reset();
}

bool JackServer::isRunning() const
{
    return server_ && server_->state() == QProcess::Running;
}

qint64 JackServer::processId() const
{
    return server_ ? server_->processId() : 0;
}

QStringList JackServer::ports() const
{
    return runJackTool(QStringLiteral("jack_lsp"), {}).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool JackServer::waitForPort(const QString& port, int timeoutMs, bool listed) const
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (ports().contains(port) == listed)
            return true;
        QThread::msleep(50);
    }
    return false;
}

bool JackServer::connect(const QString& from, const QString& to) const
{
    int code = -1;
    runJackTool(QStringLiteral("jack_connect"), {from, to}, &code);
    return code == 0;
}

void JackServer::keepUntilStopped(std::shared_ptr<void> client)
{
    kept_.push_back(std::move(client));
}

QProcess* JackServer::startClient(const QString& program, const QStringList& arguments)
{
    auto client = std::make_unique<QProcess>();
    endWithTheTest(*client);
    client->start(program, arguments);
    client->waitForStarted(5000);
    clients_.push_back(std::move(client));
    return clients_.back().get();
}

void JackServer::stopClients()
{
    for (const std::unique_ptr<QProcess>& client : clients_) {
        client->terminate();
        if (!client->waitForFinished(2000))
            client->kill();
        client->waitForFinished(2000);
    }
    clients_.clear();
}
