#include "ui/common/classic_look.h"

#include <QApplication>

namespace quorvane {

namespace {

QFont fontOf(const QStringList& families, qreal pointSize)
{
    QFont font = QApplication::font();
    font.setFamilies(families + QStringList{font.family()});
    font.setPointSizeF(pointSize);
    font.setWeight(QFont::Normal);
    return font;
}

} // namespace

QFont classicFont(qreal pointSize)
{
    return fontOf({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("Nimbus Sans"),
                   QStringLiteral("Helvetica")},
                  pointSize);
}

QFont smallFormulaFont()
{
    return fontOf({QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Liberation Sans Narrow"),
                   QStringLiteral("Arial Narrow"), QStringLiteral("Liberation Sans")},
                  6.75);
}

} // namespace quorvane
