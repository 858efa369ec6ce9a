#include "app/font_config_reading.h"

#include <fontconfig/fontconfig.h>

namespace quorvane {

FontConfigReading::FontConfigReading() : reader_([] { FcInit(); }) { }

FontConfigReading::~FontConfigReading()
{
    wait();
}

void FontConfigReading::wait()
{
    if (reader_.joinable())
        reader_.join();
}

} // namespace quorvane
