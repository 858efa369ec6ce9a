#include "app/ending_signals.h"
#include "app/font_config_reading.h"
#include "app/program.h"

#include <QApplication>
#include <QDirIterator>
#include <QIcon>

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
    quorvane::FontConfigReading fonts;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    QGuiApplication::setDesktopFileName(QStringLiteral(QUORVANE_APP_ID));
    QApplication::setWindowIcon(applicationIcon());

    quorvane::Program program;
    // Logout, shutdown, kill, Ctrl+C and a closed terminal end the program as
    // closing its window does: no note left sounding, every take written. So
    // does an event loop told to quit by anything else.
    auto end = [&program] { program.window().close(); };
    quorvane::EndingSignals endingSignals(end);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app, end);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &app, end);
    fonts.wait();
    program.start();
    if (program.host().ending()) // ended before its window showed
        return 0;
    return app.exec();
}
