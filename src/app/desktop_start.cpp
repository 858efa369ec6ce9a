#include "app/desktop_start.h"

#include "app/ending_signals.h"
#include "app/program.h"
#include "app/read_ahead.h"

#include <QApplication>
#include <QDirIterator>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QTimer>

namespace quorvane {

namespace {

// The pictures of the icon, one for every size it was rendered to, so that
// the window manager and the task bar pick a sharp one instead of scaling.
// Read as PNG outright: asked to find out the format, Qt would first look
// through its image plugins.
QList<QImage> readIconPictures()
{
    QList<QImage> pictures;
    QDirIterator files(QStringLiteral(":/icon"), {QStringLiteral("*.png")}, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QImage picture;
        if (picture.load(files.next(), "PNG"))
            pictures.append(picture);
    }
    return pictures;
}

} // namespace

int runDesktopProgram(int argc, char* argv[], SynthOptions synth)
{
    ReadAhead fonts = readFontConfiguration();
    QApplication app(argc, argv);
    ReadAhead bus = connectDesktopBus();
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    QGuiApplication::setDesktopFileName(QStringLiteral(QUORVANE_APP_ID));
    // The icon's pictures are read while the device dialog is built, and the
    // icon is set once that dialog is on screen: the window manager then shows
    // it a moment later, and the dialog does not wait for it.
    QList<QImage> iconPictures;
    ReadAhead icon([&iconPictures] { iconPictures = readIconPictures(); });
    QTimer::singleShot(0, &app, [&] {
        icon.wait();
        QIcon windowIcon;
        for (const QImage& picture : std::as_const(iconPictures))
            windowIcon.addPixmap(QPixmap::fromImage(picture));
        QApplication::setWindowIcon(windowIcon);
    });

    Program program(std::move(synth));
    // Logout, shutdown, kill, Ctrl+C and a closed terminal end the program as
    // closing its window does: no note left sounding, every take written. So
    // does an event loop told to quit by anything else.
    auto end = [&program] { program.window().close(); };
    EndingSignals endingSignals(end);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app, end);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &app, end);
    fonts.wait();
    program.start();
    if (program.host().ending()) // ended before its window showed
        return 0;
    return app.exec();
}

} // namespace quorvane
