#pragma once

#include "ui/common/classic_look.h"

class QMainWindow;

namespace quorvane {

// Builds the main window's controls at their places, with their names,
// captions, initial texts and check states, fonts and colours, and its menus.
void buildMainWindowLayout(QMainWindow& window);

} // namespace quorvane
