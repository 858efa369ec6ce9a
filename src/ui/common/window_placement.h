#pragma once

#include <QPoint>
#include <initializer_list>

class QWidget;

namespace quorvane {

// Moves a window that another owns to the first of the places (its top-left
// corner) where the owner's screen has room for it whole; leaves it where it
// is when none has.
void placeBeside(QWidget& window, const QWidget& owner, std::initializer_list<QPoint> places);

} // namespace quorvane
