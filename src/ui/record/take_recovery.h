#pragma once

#include <QString>

class QWidget;

namespace quorvane {

// The takes that a program which was killed, crashed or lost its power left
// in their journals in folder: each one is offered, named, to be written as a
// take beside the others ("Recover") or let go ("Discard").
void offerLeftTakes(QWidget* owner, const QString& folder);

} // namespace quorvane
