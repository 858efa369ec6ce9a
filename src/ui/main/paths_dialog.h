#pragma once

#include <QString>
#include <QUrl>
#include <functional>

class QWidget;

namespace quorvane {

// A small modal window that tells where the program looks for its Mixmaster
// document and whether it is there, and where recorded takes go, with a
// button that opens each folder.
void showPathsDialog(QWidget* owner, const QString& takesFolder,
                     const std::function<void(const QUrl&)>& openWithDesktop);

} // namespace quorvane
