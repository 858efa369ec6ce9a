#pragma once

#include <QFont>
#include <QString>

class QPlainTextEdit;
class QWidget;

namespace quorvane {

// The windows were drawn for a narrow bitmap font; where the desktop's font is
// wider, a caption's letters are narrowed (down to 70 % of their width) rather
// than the caption cut short. The control keeps its place and size.

// The font narrowed just enough for `caption` to fit `room` pixels, or as
// narrow as allowed when even that does not fit.
QFont fittedFont(QFont font, const QString& caption, int room);

// Fits the caption of a label, check box or push button to the room its
// control leaves for text, up to the first neighbour stacked over its right
// end. A frame fits its own title as it paints it.
void fitCaption(QWidget* control);

// Fits the captions of all the window's controls, once every control is at
// its place.
void fitCaptions(QWidget* window);

// Fits every line of a read-only text box to the box's width the same way;
// a line that is too long even then wraps at a word boundary.
void fitLines(QPlainTextEdit* box);

} // namespace quorvane
