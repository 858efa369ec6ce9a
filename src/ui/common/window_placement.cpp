#include "ui/common/window_placement.h"

#include <QScreen>
#include <QWidget>

namespace quorvane {

void placeBeside(QWidget& window, const QWidget& owner, std::initializer_list<QPoint> places)
{
    const QScreen* screen = owner.screen();
    for (const QPoint& place : places) {
        if (screen && screen->availableGeometry().contains(QRect(place, window.frameGeometry().size()))) {
            window.move(place);
            return;
        }
    }
}

} // namespace quorvane
