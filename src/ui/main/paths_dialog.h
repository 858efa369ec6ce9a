#pragma once

#include <QUrl>
#include <functional>

class QWidget;

namespace quorvane {

// A small modal window that tells where the program looks for its Mixmaster
// document and whether it is there, with a button that opens that folder.
void showPathsDialog(QWidget* owner, const std::function<void(const QUrl&)>& openWithDesktop);

} // namespace quorvane
