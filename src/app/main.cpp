#include "app/program.h"

#include <QApplication>
#include <cstdlib>

int main(int argc, char* argv[])
{
    // libjack must never start a server behind the user's back.
    setenv("JACK_NO_START_SERVER", "1", 1);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));

    quorvane::Program program(quorvane::Program::desktopOutput(), quorvane::Program::desktopInput());
    program.start();
    return app.exec();
}
