#pragma once

#include "ui/common/classic_look.h"

class QDialog;

namespace quorvane {

// Builds the device dialog's window and controls at their places, with their
// names, captions, fonts and keyboard focus order.
void buildSetupFormLayout(QDialog& form);

} // namespace quorvane
