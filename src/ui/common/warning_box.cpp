#include "ui/common/warning_box.h"

#include <QMessageBox>

namespace quorvane {

void showWarning(QWidget* owner, const QString& text)
{
    QMessageBox::warning(owner, QStringLiteral("Quorvane"), text);
}

} // namespace quorvane
