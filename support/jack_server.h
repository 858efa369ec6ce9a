#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// A private JACK server with the dummy driver, started under a unique name for
// one test program and stopped whatever happens, plus the outside clients the
// tests talk to. Everything in this process that uses JACK finds the server
// through JACK_DEFAULT_SERVER, which start() sets.
class JackServer {
public:
    JackServer();
    ~JackServer();

    // False when jackd did not come up. 48 kHz; the period is given in frames.
    bool start(int periodFrames = 64);
    void stop();
    // Kills the server at once, as a crash does; its clients are left on
    // their own, and start() brings up a new server under the same name.
    void kill();
    bool isRunning() const;
    const QString& name() const { return name_; }

    // Port names as jack_lsp lists them.
    QStringList ports() const;
    // Generous: a client started on a machine busy with other tests can take seconds.
    bool waitForPort(const QString& port, int timeoutMs = 10000) const;
    bool connect(const QString& from, const QString& to) const;

    // Starts an outside client (jack_midi_dump, jack_midiseq...) on this server;
    // it is killed when the server stops.
    QProcess* startClient(const QString& program, const QStringList& arguments);

private:
    QString name_;
    std::unique_ptr<QProcess> server_;
    std::vector<std::unique_ptr<QProcess>> clients_;
};

// Runs a JACK command line tool against the server of this process.
QString runJackTool(const QString& program, const QStringList& arguments, int* exitCode = nullptr);
