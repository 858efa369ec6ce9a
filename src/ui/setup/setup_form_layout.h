#pragma once

class QDialog;

namespace quorvane {

// Converts the dialog design's twips into device-independent pixels.
constexpr int setupTwips(int value) { return (value + 7) / 15; }

// Builds the device dialog's window and controls at their places, with their
// names, captions, fonts and keyboard focus order.
void buildSetupFormLayout(QDialog& form);

} // namespace quorvane
