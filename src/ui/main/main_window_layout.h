#pragma once

class QMainWindow;

namespace quorvane {

// Builds the main window's controls at their places, with their names,
// captions, initial texts and check states, fonts and colours.
void buildMainWindowLayout(QMainWindow& window);

// Converts the window designs' twips into device-independent pixels.
constexpr int twips(int value) { return (value + 7) / 15; }

} // namespace quorvane
