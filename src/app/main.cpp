#include "frm_main.h"
#include "qt_host.h"
#include "rtmidi_backend.h"
#include "synth_first_backend.h"

#include <QApplication>
#include <cstdlib>

int main(int argc, char* argv[])
{
    // libjack must never start a server behind the user's back.
    setenv("JACK_NO_START_SERVER", "1", 1);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));

    quorvane::QtHost host;
    quorvane::FrmMain window(std::make_unique<quorvane::SynthFirstOutputBackend>(
                                 std::make_unique<quorvane::SynthOutput>(), std::make_unique<quorvane::RtMidiOutputBackend>()),
                             std::make_unique<quorvane::RtMidiInputBackend>(), host);
    window.load();
    window.show();
    return app.exec();
}
