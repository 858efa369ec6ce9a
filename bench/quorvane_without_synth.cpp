// The program as it is put together for the user, less the built-in
// synthesizer: its output devices are the MIDI system's ports alone. The
// benchmark measures it to tell the synthesizer's memory from the rest.

#include "app/program.h"
#include "midi/rtmidi_backend.h"

#include <QApplication>
#include <cstdlib>

int main(int argc, char* argv[])
{
    setenv("JACK_NO_START_SERVER", "1", 1);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));

    quorvane::Program program(std::make_unique<quorvane::RtMidiOutputBackend>(), quorvane::Program::desktopInput());
    program.start();
    return app.exec();
}
