#pragma once

#include <QFont>

namespace quorvane {

// The windows were designed in twips (1/1440 inch); at 96 dots per inch 15 of
// them make one device-independent pixel.
constexpr int twips(int value)
{
    return (value + 7) / 15;
}

// The program's windows were laid out for a narrow 8 pt sans-serif; a font
// with Arial's metrics fits their captions best, so it is preferred where the
// desktop has one, and the desktop's own sans-serif stands in otherwise.
// The weight is set explicitly, so a bold frame caption stays the frame's own.
QFont classicFont(qreal pointSize = 8.25);

// The small font of the formula boxes: narrow families first, so that the
// formulas' longest lines fit their boxes as they did in the tiny bitmap
// font the boxes were drawn for.
QFont smallFormulaFont();

} // namespace quorvane
