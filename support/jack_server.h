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
    // From the next start on: the server's threads scheduled in real time, as
    // musicians run it (jackd goes on without when the system refuses), or
    // as ordinary threads, the default, which leave a machine shared with
    // other work as it was.
    void setRealtime(bool on) { realtime_ = on; }
    void stop();
    // Kills the server at once, as a crash does; its clients are left on
    // their own, and start() brings up a new server under the same name.
    void kill();
    bool isRunning() const;
    // The server's process, for a test that stops it from a thread of its own.
    qint64 processId() const;
    const QString& name() const { return name_; }

    // Port names as jack_lsp lists them.
    QStringList ports() const;
    // Generous: a client started on a machine busy with other tests can take seconds.
    // Unlisted: until the port is gone (a client that ended is dropped by the
    // server a moment later; one of the same name started before would get
    // another name).
    bool waitForPort(const QString& port, int timeoutMs = 10000, bool listed = true) const;
    bool connect(const QString& from, const QString& to) const;

    // Starts an outside client (jack_midi_dump, jack_midiseq...) on this server;
    // it is killed when the server stops.
    QProcess* startClient(const QString& program, const QStringList& arguments);
    // Ends every client started so far, so that the next one of the same
    // program gets its plain name again.
    void stopClients();

    // Holds a JACK client of this process until the server has stopped.
    // RtMidi's JACK output frees the buffer its process callback reads before
    // it closes its client, so dropping one while its server runs crashes
    // when a callback is still under way; once the server has stopped no
    // callback runs, and a client whose ports were closed before closes at once.
    void keepUntilStopped(std::shared_ptr<void> client);

private:
    QString name_;
    bool realtime_ = false;
    std::unique_ptr<QProcess> server_;
    std::vector<std::unique_ptr<QProcess>> clients_;
    std::vector<std::shared_ptr<void>> kept_;
};

// Runs a JACK command line tool against the server of this process.
QString runJackTool(const QString& program, const QStringList& arguments, int* exitCode = nullptr);
