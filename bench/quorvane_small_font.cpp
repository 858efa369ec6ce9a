// The program as it is put together for the user, with the small General
// MIDI sound font alone (TimGM6mb, about 6 MB) where the machine also has the
// large one the package recommends (FluidR3_GM, 141 MB). The benchmark
// measures how long each keeps the device dialog from the screen.

#include "app/desktop_start.h"

int main(int argc, char* argv[])
{
    quorvane::SynthOptions synth;
    synth.soundFonts = {QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2")};
    return quorvane::runDesktopProgram(argc, argv, std::move(synth));
}
