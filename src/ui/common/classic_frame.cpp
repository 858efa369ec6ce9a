#include "ui/common/classic_frame.h"

#include "ui/common/caption_fit.h"

#include <QFontMetrics>
#include <QRegion>
#include <QPainter>

#include <algorithm>

namespace quorvane {

namespace {

constexpr int captionIndent = 6;  // from the frame's left edge to the caption
constexpr int captionPadding = 2; // the gap the caption cuts into the line, each side

} // namespace

ClassicFrame::ClassicFrame(const QString& title, QWidget* parent) : QGroupBox(title, parent)
{
    // Its own title names the frame for a screen reader; without a name of
    // its own a frame inside another would be announced by the outer one's.
    setAccessibleName(title);
}

void ClassicFrame::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QString caption = title();
    const int room = width() - 2 * (captionIndent + captionPadding);
    const QFont font = fittedFont(this->font(), caption, room);
    const QFontMetrics metrics(font);
    const QRect captionArea(captionIndent, 0,
                            caption.isEmpty() ? 0
                                              : std::min(metrics.horizontalAdvance(caption), room) + 2 * captionPadding,
                            metrics.height());

    // Etched: a dark line with a light one inside it, interrupted by the
    // caption.
    painter.setClipRegion(QRegion(rect()).subtracted(captionArea));
    const QRect border = rect().adjusted(0, metrics.height() / 2, -1, -1);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(border.adjusted(0, 0, -1, -1));
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(border.left() + 1, border.top() + 1, border.right() - 2, border.top() + 1);
    painter.drawLine(border.left() + 1, border.top() + 1, border.left() + 1, border.bottom() - 1);
    painter.drawLine(border.left(), border.bottom(), border.right(), border.bottom());
    painter.drawLine(border.right(), border.top(), border.right(), border.bottom());
    painter.setClipping(false);

    painter.setFont(font);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(captionArea, Qt::AlignCenter | Qt::TextSingleLine, caption);
}

} // namespace quorvane
