#pragma once

#include <QString>

class QWidget;

namespace quorvane {

// How every window tells the musician of something that went wrong: a modal
// warning under the program's name, over `owner`.
void showWarning(QWidget* owner, const QString& text);

} // namespace quorvane
