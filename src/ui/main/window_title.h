#pragma once

#include "engine/scale.h"

#include <QString>

namespace quorvane {

// The main window's title: the program's name, then the scale the notes are
// kept to (none while chromatic), then whether a take is being recorded.
// "Quorvane", "Quorvane - C Major", "Quorvane - C Major - recording".
QString mainWindowTitle(const ScaleChoice& scale, bool recording);

} // namespace quorvane
