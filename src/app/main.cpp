#include "app/program.h"

#include <QApplication>
#include <QDirIterator>
#include <QIcon>
#include <cstdlib>

namespace {

// The icon drawn at every size it was rendered to, so that the window manager
// and the task bar pick a sharp picture instead of scaling one.
QIcon applicationIcon()
{
    QIcon icon;
    QDirIterator pictures(QStringLiteral(":/icon"), {QStringLiteral("*.png")}, QDir::Files,
                          QDirIterator::Subdirectories);
    while (pictures.hasNext())
        icon.addFile(pictures.next());
    return icon;
}

} // namespace

int main(int argc, char* argv[])
{
    // libjack must never start a server behind the user's back.
    setenv("JACK_NO_START_SERVER", "1", 1);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    QGuiApplication::setDesktopFileName(QStringLiteral(QUORVANE_APP_ID));
    QApplication::setWindowIcon(applicationIcon());

    quorvane::Program program(quorvane::Program::desktopOutput(), quorvane::Program::desktopInput());
    program.start();
    return app.exec();
}
