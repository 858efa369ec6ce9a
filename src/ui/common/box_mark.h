#pragma once

#include <QString>

class QLineEdit;

namespace quorvane {

// How a number box shows what it holds, the same in every window: white when
// it is fine, pale yellow while it holds no usable number, red for the main
// window's one warning colour; why, as the box's tooltip, says what it needs.
enum class BoxMark { None, Unusable, Red };

void showBoxMark(QLineEdit* box, BoxMark mark, const QString& why);

} // namespace quorvane
