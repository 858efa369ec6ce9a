// The real program as a process, on a private X server and a private JACK
// server, recording a take while Wondrousness plays, ended as a desktop or a
// terminal ends it: the take must be on disk afterwards, or offered at the
// next start.

#include "jack_server.h"
#include "private_x_server.h"
#include "smf_reading.h"
#include "x_display.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <csignal>

namespace {

constexpr xcb_keysym_t keyR = 0x72;
constexpr int windowTimeoutMs = 20000;

QStringList filesIn(const QString& folder, const QString& pattern)
{
    QStringList paths;
    for (const QString& name : QDir(folder).entryList({pattern}, QDir::Files))
        paths << QDir(folder).filePath(name);
    return paths;
}

// Waits until the take's journal holds at least `messages` messages: the
// formula plays and what it plays reaches the disk.
bool journalGrowsTo(const QString& folder, int messages)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < windowTimeoutMs) {
        const QStringList journals = filesIn(folder, QStringLiteral("*.journal"));
        if (journals.size() == 1 && QFileInfo(journals[0]).size() >= 16 + 8 * messages)
            return true;
        QThread::msleep(20);
    }
    return false;
}

// One run of the program, with a home of the test's own.
class Quorvane {
public:
    Quorvane(XDisplay& x, const QString& home, const QByteArray& display) : x_(x)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home);
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
        environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
        process_.setProcessEnvironment(environment);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../../src/app/quorvane"), {});
        process_.waitForStarted(5000);
    }
    ~Quorvane()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

    xcb_window_t waitForWindow(const QByteArray& title)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < windowTimeoutMs && process_.state() == QProcess::Running) {
            if (const xcb_window_t window = x_.mappedWindow(process_.processId(), title))
                return window;
            QThread::msleep(10);
        }
        return 0;
    }

    // Through the device dialog (its defaults), to the window that follows it.
    xcb_window_t pastTheDeviceDialog()
    {
        const xcb_window_t dialog = waitForWindow("MIDI Setup");
        if (!dialog)
            return 0;
        x_.pressReturn(dialog);
        return waitForWindow("Quorvane");
    }

    // Past the device dialog, a take started with Ctrl+R and Wondrousness
    // with Return on "Do it", which has the focus when the window opens;
    // true once the take's journal in folder holds some messages.
    bool recordAndPlay(const QString& folder)
    {
        const xcb_window_t window = pastTheDeviceDialog();
        if (!window)
            return false;
        x_.focus(window);
        x_.pressKey(window, keyR, XCB_MOD_MASK_CONTROL);
        if (!waitForWindow("Quorvane - recording"))
            return false;
        x_.pressReturn(window);
        return journalGrowsTo(folder, 20);
    }

    void signal(int number) { ::kill(pid_t(process_.processId()), number); }
    bool waitForEnd(int ms) { return process_.waitForFinished(ms); }
    QProcess& process() { return process_; }

private:
    XDisplay& x_;
    QProcess process_;
};

// Where the last note struck (a note-on with a velocity) is, and whether
// the program switched it off afterwards (a note-on of velocity 0, as it
// sends them), rather than the take at its end (a note-off).
struct LastNote {
    qsizetype at = -1;
    bool switchedOff = false;
};

LastNote lastNote(const QStringList& bytes)
{
    LastNote last;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const QStringList b = bytes[i].split(QLatin1Char(' '));
        if (b.size() == 3 && b[0] == QStringLiteral("90") && b[2] != QStringLiteral("00"))
            last.at = i;
    }
    if (last.at >= 0) {
        const QString off = bytes[last.at].left(5) + QStringLiteral(" 00");
        last.switchedOff = bytes.indexOf(off, last.at + 1) > last.at;
    }
    return last;
}

} // namespace

class ProgramEndingTest : public QObject {
    Q_OBJECT

    PrivateXServer xserver;
    JackServer jack;
    std::unique_ptr<XDisplay> x;

private slots:
    void initTestCase()
    {
        QVERIFY(xserver.start());
        qputenv("DISPLAY", xserver.display);
        x = std::make_unique<XDisplay>();
        QVERIFY(x->isOpen());
        QVERIFY(jack.start());
    }

    // The desktop's logout or shutdown, kill, and the terminal's Ctrl+C or
    // its closing: the sounding note is switched off, the take written.
    void anEndingSignalWritesTheTake_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGHUP") << SIGHUP;
    }

    void anEndingSignalWritesTheTake()
    {
        QFETCH(int, signal);
        QTemporaryDir home;
        const QString takes = home.filePath(QStringLiteral("Music/Quorvane"));
        Quorvane program(*x, home.path(), xserver.display);
        QVERIFY(program.recordAndPlay(takes));

        QElapsedTimer clock;
        clock.start();
        program.signal(signal);
        QVERIFY(program.waitForEnd(10000));
        qInfo("ended %lld ms after the signal", clock.elapsed());
        QCOMPARE(program.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.process().exitCode(), 0);

        QCOMPARE(filesIn(takes, QStringLiteral("*.journal")), QStringList());
        const QStringList files = filesIn(takes, QStringLiteral("*.mid"));
        QCOMPARE(files.size(), 1);
        const ReadFile file = readMidiFile(files[0]);
        QVERIFY(file.loaded);
        const QStringList bytes = file.byteTexts();
        QCOMPARE(bytes.value(1), QStringLiteral("c0 00")); // the instrument in force at the start
        QVERIFY2(bytes.filter(QRegularExpression(QStringLiteral("^90 .. [1-7]"))).size() >= 3,
                 qPrintable(bytes.join(QLatin1String(", "))));
        // The note sounding at the signal was switched off by the program
        // itself, on the output: none was left for the take to end.
        QVERIFY(lastNote(bytes).switchedOff);
        QCOMPARE(bytes.filter(QRegularExpression(QStringLiteral("^8"))), QStringList());
        QCOMPARE(bytes.last(), QStringLiteral("ff 2f 00"));
    }

    // Whoever cannot wait for the shutdown signals again: the program ends
    // at once, by that signal.
    void aSecondSignalEndsAtOnce()
    {
        QTemporaryDir home;
        Quorvane program(*x, home.path(), xserver.display);
        QVERIFY(program.recordAndPlay(home.filePath(QStringLiteral("Music/Quorvane"))));
        program.signal(SIGTERM);
        program.signal(SIGINT); // another signal: two of one kind may arrive as one
        QVERIFY(program.waitForEnd(10000));
        QCOMPARE(program.process().exitStatus(), QProcess::CrashExit);
    }

    // Killed outright, the program leaves the take's journal, and the next
    // start offers it: "Recover" writes it as a take.
    void aKilledProgramsTakeIsOfferedAtTheNextStart()
    {
        QTemporaryDir home;
        const QString takes = home.filePath(QStringLiteral("Music/Quorvane"));
        {
            Quorvane program(*x, home.path(), xserver.display);
            QVERIFY(program.recordAndPlay(takes));
            program.signal(SIGKILL);
            QVERIFY(program.waitForEnd(10000));
        }
        QCOMPARE(filesIn(takes, QStringLiteral("*.mid")), QStringList());
        const QStringList journals = filesIn(takes, QStringLiteral("*.journal"));
        QCOMPARE(journals.size(), 1);
        const qint64 kept = (QFileInfo(journals[0]).size() - 16) / 8;

        Quorvane again(*x, home.path(), xserver.display);
        // After the device dialog, before the main window: the offer, whose
        // default button is "Recover".
        const xcb_window_t offer = again.pastTheDeviceDialog();
        QVERIFY(offer);
        x->pressReturn(offer);
        QTRY_COMPARE_WITH_TIMEOUT(filesIn(takes, QStringLiteral("*.mid")).size(), 1, windowTimeoutMs);
        QTRY_COMPARE(filesIn(takes, QStringLiteral("*.journal")), QStringList());
        const QStringList files = filesIn(takes, QStringLiteral("*.mid"));
        QVERIFY(QRegularExpression(QStringLiteral("/quorvane-\\d{8}-\\d{6}\\.mid$")).match(files[0]).hasMatch());
        const ReadFile file = readMidiFile(files[0]);
        QVERIFY(file.loaded);
        // Every message the journal kept, then the end of the track; the
        // note left sounding by the kill is ended there.
        const QStringList bytes = file.byteTexts();
        QCOMPARE(bytes.value(1), QStringLiteral("c0 00"));
        const qint64 closing = bytes.size() - 2 - kept;
        QVERIFY2(closing == (lastNote(bytes).switchedOff ? 0 : 1),
                 qPrintable(QStringLiteral("%1 messages kept, %2 in the file").arg(kept).arg(bytes.size())));

        again.signal(SIGTERM);
        QVERIFY(again.waitForEnd(10000));
        QCOMPARE(again.process().exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(ProgramEndingTest)
#include "test_program_ending.moc"
