#include "ui/common/caption_fit.h"

#include <QCheckBox>
#include <QFontMetricsF>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>

namespace quorvane {

namespace {

constexpr int narrowest = 70; // per cent of the letters' normal width

// The room a button's style leaves for its caption: a check box's text
// stands beside the box, a push button's inside its bevel.
int captionRoom(const QAbstractButton& button, QStyle::SubElement contents)
{
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    return button.style()->subElementRect(contents, &option, &button).width();
}

} // namespace

QFont fittedFont(QFont font, const QString& caption, int room)
{
    const QString shown = QString(caption).remove(QLatin1Char('&')); // access-key marks take no room
    const qreal normal = QFontMetricsF(font).horizontalAdvance(shown);
    if (normal <= room)
        return font;
    auto fits = [&](const QFont& f) { return QFontMetricsF(f).horizontalAdvance(shown) <= room; };
    // The width shrinks with the stretch nearly in proportion: the search for
    // the widest stretch that fits starts a little above the proportional
    // one, since each stretch tried is a font of its own to load.
    const int current = font.stretch() > 0 ? font.stretch() : 100;
    const int estimate = static_cast<int>(current * room / normal) + 3;
    for (int stretch = std::min(99, estimate); stretch > narrowest; --stretch) {
        font.setStretch(stretch);
        if (fits(font))
            return font;
    }
    font.setStretch(narrowest);
    return font;
}

void fitCaption(QWidget* control)
{
    QString caption;
    int room = 0;
    if (auto* label = qobject_cast<QLabel*>(control)) {
        caption = label->text();
        room = label->contentsRect().width() - 2 * label->margin();
    } else if (auto* check = qobject_cast<QCheckBox*>(control)) {
        caption = check->text();
        room = captionRoom(*check, QStyle::SE_CheckBoxContents);
    } else if (auto* button = qobject_cast<QPushButton*>(control)) {
        caption = button->text();
        room = captionRoom(*button, QStyle::SE_PushButtonContents);
    } else {
        return;
    }
    // A neighbour stacked over the control's right end hides what runs
    // under it, so the caption has to end before it.
    const QRect place = control->geometry();
    int end = place.right() + 1;
    bool above = false; // siblings are stacked in the order they were made
    const QObjectList siblings = control->parent() ? control->parent()->children() : QObjectList();
    for (QObject* sibling : siblings) {
        auto* other = qobject_cast<QWidget*>(sibling);
        if (above && other && other->geometry().intersects(place) && other->x() > place.x())
            end = std::min(end, other->x());
        above = above || sibling == control;
    }
    room -= place.right() + 1 - end;
    const QFont fitted = fittedFont(control->font(), caption, room);
    if (fitted != control->font())
        control->setFont(fitted);
}

void fitCaptions(QWidget* window)
{
    for (QWidget* control : window->findChildren<QWidget*>())
        fitCaption(control);
}

void fitLines(QPlainTextEdit* box)
{
    // The document's margin on both sides and the cursor's pixel at a line's end.
    const int room = box->contentsRect().width() - 2 * qRound(box->document()->documentMargin()) - 1;
    QFont font = box->font();
    for (const QString& line : box->toPlainText().split(QLatin1Char('\n')))
        font = fittedFont(font, line, room);
    if (font != box->font())
        box->setFont(font);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    box->setWordWrapMode(QTextOption::WordWrap);
}

} // namespace quorvane
