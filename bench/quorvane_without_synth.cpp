// The program as it is put together for the user, less the built-in
// synthesizer: its output devices are the MIDI system's ports alone. The
// benchmark measures it to tell the synthesizer's memory from the rest.

#include "app/desktop_devices.h"
#include "app/program.h"
#include "devices/system_backend.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));

    quorvane::MidiSystem system;
    quorvane::Program program(std::make_unique<quorvane::SystemOutputBackend>(system), quorvane::desktopInput(system));
    program.start();
    return app.exec();
}
