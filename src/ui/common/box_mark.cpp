#include "ui/common/box_mark.h"

#include <QLineEdit>

namespace quorvane {

void showBoxMark(QLineEdit* box, BoxMark mark, const QString& why)
{
    if (!box)
        return;
    QPalette palette = box->palette();
    switch (mark) {
    case BoxMark::Red: palette.setColor(QPalette::Base, QColor(255, 0, 0)); break;
    case BoxMark::Unusable: palette.setColor(QPalette::Base, QColor(255, 255, 160)); break;
    case BoxMark::None: palette.setColor(QPalette::Base, Qt::white); break;
    }
    box->setPalette(palette);
    box->setToolTip(why);
}

} // namespace quorvane
