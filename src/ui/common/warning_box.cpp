#include "ui/common/warning_box.h"

#include <QMessageBox>

namespace quorvane {

namespace {

const QString title = QStringLiteral("Quorvane");

} // namespace

void showWarning(QWidget* owner, const QString& text)
{
    QMessageBox::warning(owner, title, text);
}

void JoinedWarnings::show(const QString& text)
{
    if (open_) {
        open_->setText(open_->text() + QStringLiteral("\n\n") + text);
        return;
    }
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, owner_);
    open_ = &box;
    box.exec();
}

} // namespace quorvane
