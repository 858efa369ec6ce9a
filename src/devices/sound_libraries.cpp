#include "devices/sound_libraries.h"

#include <alsa/asoundlib.h>
#include <jack/jack.h>

#include <cstdlib>
#include <mutex>

namespace quorvane {

namespace {

void quietJack(const char*) { }

void quietAlsa(const char*, int, const char*, int, const char*, ...) { }

} // namespace

void setUpSoundLibraries()
{
    static std::once_flag once;
    std::call_once(once, [] {
        setenv("JACK_NO_START_SERVER", "1", 1);
        jack_set_error_function(quietJack);
        jack_set_info_function(quietJack);
        snd_lib_error_set_handler(quietAlsa);
    });
}

} // namespace quorvane
