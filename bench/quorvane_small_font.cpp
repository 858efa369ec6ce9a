// The program as it is put together for the user, with the small General
// MIDI sound font alone (TimGM6mb, about 6 MB) where the machine also has the
// large one the package recommends (FluidR3_GM, 141 MB). The benchmark
// measures how long each keeps the device dialog from the screen.

#include "app/font_config_reading.h"
#include "app/program.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    quorvane::FontConfigReading fonts;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));

    quorvane::SynthOptions synth;
    synth.soundFonts = {QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2")};
    quorvane::Program program(std::move(synth));
    fonts.wait();
    program.start();
    if (program.host().ending())
        return 0;
    return app.exec();
}
