#include "ui/about/about_picture.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QVector>
#include <QtMath>
#include <cstdint>

namespace quorvane {

namespace {

struct FeatureLook {
    const char* description;
    QColor card; // the panel the feature is drawn on
    QColor ink;  // its lines and letters
};

// Indexed by AboutFeature.
const FeatureLook features[aboutFeatureCount] = {
    {"General MIDI: any of the 128 instruments, chosen by its name", QColor(44, 58, 92), QColor(255, 255, 255)},
    {"Mixmaster: take the whole part, then 1 over the rest, and again", QColor(70, 46, 96), QColor(255, 232, 160)},
    {"MIDI thru: whatever comes in at the MIDI input goes to the output", QColor(36, 84, 70), QColor(200, 255, 225)},
    {"Wondrousness: halve it if even, else 3x+1; the numbers rise and fall", QColor(100, 44, 40),
     QColor(255, 214, 190)},
};

const FeatureLook& look(AboutFeature feature)
{
    return features[static_cast<int>(feature)];
}

QFont pictureFont(QFont::StyleHint hint, qreal pixelSize, bool bold = false, bool italic = false)
{
    QFont font(hint == QFont::Serif ? QStringLiteral("Serif") : QStringLiteral("Sans Serif"));
    font.setStyleHint(hint);
    font.setPixelSize(qMax(1, qRound(pixelSize)));
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

// The card a feature sits on, so the four regions can be told apart from
// the night sky around them.
QRectF drawCard(QPainter& p, const QRectF& area, AboutFeature feature)
{
    const QRectF card = area.adjusted(1, 1, -1, -1);
    p.setPen(QPen(look(feature).card.lighter(170), 1.5));
    p.setBrush(look(feature).card);
    p.drawRoundedRect(card, 5, 5);
    return card.adjusted(3, 3, -3, -3);
}

// A piano keyboard behind "128": the General MIDI instrument set.
void drawGeneralMidi(QPainter& p, const QRectF& area)
{
    const QRectF inner = drawCard(p, area, AboutFeature::GeneralMidi);
    const QColor ink = look(AboutFeature::GeneralMidi).ink;

    QFont font = pictureFont(QFont::SansSerif, inner.height() * 0.5, true);
    p.setFont(font);
    p.setPen(ink);
    const QString count = QStringLiteral("128");
    const qreal countWidth = QFontMetricsF(font).horizontalAdvance(count) + 6;
    p.drawText(QRectF(inner.left(), inner.top(), countWidth, inner.height()), Qt::AlignCenter, count);

    const QRectF keys(inner.left() + countWidth + 2, inner.top(), inner.width() - countWidth - 2, inner.height());
    const int whiteKeys = 14; // two octaves from C
    const qreal keyWidth = keys.width() / whiteKeys;
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.setBrush(QColor(250, 250, 245));
    for (int i = 0; i < whiteKeys; ++i)
        p.drawRect(QRectF(keys.left() + i * keyWidth, keys.top(), keyWidth, keys.height()));
    // A black key follows C, D, F, G and A in every octave.
    const bool blackAfter[7] = {true, true, false, true, true, true, false};
    p.setBrush(QColor(20, 20, 20));
    for (int i = 0; i < whiteKeys - 1; ++i) {
        if (!blackAfter[i % 7])
            continue;
        const qreal x = keys.left() + (i + 1) * keyWidth - keyWidth * 0.3;
        p.drawRect(QRectF(x, keys.top(), keyWidth * 0.6, keys.height() * 0.6));
    }
}

// x = 3 + 1/(7 + 1/(15 + ...)): the continued fraction that Mixmaster unrolls
// (here for pi, whose whole parts the formula would play as 3, 7, 15, ...).
void drawMixmaster(QPainter& p, const QRectF& area)
{
    const QRectF inner = drawCard(p, area, AboutFeature::Mixmaster);
    const QColor ink = look(AboutFeature::Mixmaster).ink;
    const QStringList heads = {QStringLiteral("x = 3 + "), QStringLiteral("7 + ")};
    const QString tail = QStringLiteral("15 + \u2026");

    // The largest letters for which the whole staircase fits the card.
    QFont font;
    qreal size = inner.height() / 4;
    for (;; size -= 0.5) {
        font = pictureFont(QFont::Serif, size, true);
        const QFontMetricsF fm(font);
        qreal width = fm.horizontalAdvance(tail);
        for (const QString& head : heads)
            width += fm.horizontalAdvance(head);
        if ((width <= inner.width() && 3 * fm.height() + 10 <= inner.height()) || size <= 6)
            break;
    }
    const QFontMetricsF fm(font);
    const qreal h = fm.height();
    p.setFont(font);
    p.setPen(QPen(ink, 1.5));

    qreal x = inner.left();
    qreal y = inner.top() + (inner.height() - (3 * h + 10)) / 2; // top of the current numerator row
    for (const QString& head : heads) {
        const qreal bar = y + h + 2;
        const qreal headWidth = fm.horizontalAdvance(head);
        p.drawText(QRectF(x, bar - h / 2, headWidth, h), Qt::AlignLeft | Qt::AlignVCenter, head);
        x += headWidth;
        p.drawText(QRectF(x, y, inner.right() - x, h), Qt::AlignCenter, QStringLiteral("1"));
        p.drawLine(QPointF(x, bar), QPointF(inner.right(), bar));
        y = bar + 3;
    }
    p.drawText(QRectF(x, y, inner.right() - x, h), Qt::AlignCenter, tail);
}

// A five-pin DIN socket with the message passing through it: MIDI thru.
void drawMidiThru(QPainter& p, const QRectF& area)
{
    const QRectF inner = drawCard(p, area, AboutFeature::MidiThru);
    const QColor ink = look(AboutFeature::MidiThru).ink;

    const qreal radius = qMin(inner.width(), inner.height() * 0.7) / 2;
    const QPointF centre(inner.center().x(), inner.top() + radius);
    p.setPen(QPen(ink, 1.5));
    p.setBrush(QColor(20, 40, 34));
    p.drawEllipse(centre, radius, radius);
    // The key notch at the bottom of the socket.
    p.setBrush(ink);
    p.drawRect(QRectF(centre.x() - radius * 0.15, centre.y() + radius * 0.65, radius * 0.3, radius * 0.3));
    // Five pins on the upper half circle, 45 degrees apart.
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 5; ++i) {
        const QPointF pin = centre + QPointF(radius * 0.6 * qCos(M_PI * i / 4), -radius * 0.6 * qSin(M_PI * i / 4));
        p.drawEllipse(pin, radius * 0.12, radius * 0.12);
    }

    // In on the left, out on the right.
    const qreal arrowY = qMin(inner.bottom() - 2, centre.y() + radius + 5);
    const qreal head = 4;
    p.setPen(QPen(ink, 2));
    p.drawLine(QPointF(inner.left(), arrowY), QPointF(inner.right() - 1, arrowY));
    p.setBrush(ink);
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF({QPointF(inner.right() + 1, arrowY), QPointF(inner.right() - head, arrowY - head),
                             QPointF(inner.right() - head, arrowY + head)}));
}

// "3x+1" over the path that 7 takes: up and down, and at last to 1.
void drawWondrousness(QPainter& p, const QRectF& area)
{
    const QRectF inner = drawCard(p, area, AboutFeature::Wondrousness);
    const QColor ink = look(AboutFeature::Wondrousness).ink;

    const QString rule = QStringLiteral("3x+1");
    QFont font;
    qreal size = inner.height() * 0.3;
    for (;; size -= 0.5) {
        font = pictureFont(QFont::SansSerif, size, true);
        if (QFontMetricsF(font).horizontalAdvance(rule) <= inner.width() || size <= 6)
            break;
    }
    const qreal textHeight = QFontMetricsF(font).height();
    p.setFont(font);
    p.setPen(ink);
    p.drawText(QRectF(inner.left(), inner.top(), inner.width(), textHeight), Qt::AlignCenter, rule);

    QVector<int> path;
    for (int x = 7;; x = (x % 2 == 0) ? x / 2 : 3 * x + 1) {
        path.append(x);
        if (x == 1)
            break;
    }
    int highest = 1;
    for (int x : path)
        highest = qMax(highest, x);
    const QRectF graph(inner.left(), inner.top() + textHeight + 1, inner.width(),
                       inner.bottom() - inner.top() - textHeight - 1);
    QPolygonF line;
    for (int i = 0; i < path.size(); ++i)
        line << QPointF(graph.left() + graph.width() * i / (path.size() - 1),
                        graph.bottom() - graph.height() * (path[i] - 1) / (highest - 1));
    p.setPen(QPen(ink, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(line);
}

bool insideAny(const QPointF& point, const std::array<QRectF, aboutFeatureCount>& areas)
{
    for (const QRectF& area : areas)
        if (area.adjusted(-4, -4, 4, 4).contains(point))
            return true;
    return false;
}

// The bare picture: a night sky with the program's name and a few bars of
// notes, nothing that could be taken for one of the four features.
void drawBackground(QPainter& p, const std::array<QRectF, aboutFeatureCount>& areas)
{
    QLinearGradient sky(0, 0, 0, aboutPictureHeight);
    sky.setColorAt(0, QColor(18, 24, 52));
    sky.setColorAt(1, QColor(34, 70, 88));
    p.fillRect(QRectF(0, 0, aboutPictureWidth, aboutPictureHeight), sky);

    // Stars from a fixed sequence, so every run paints the same picture.
    std::uint32_t seed = 20261208;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 90; ++i) {
        const QPointF star(next() % aboutPictureWidth, next() % (aboutPictureHeight * 2 / 3));
        const qreal size = 0.6 + (next() % 100) / 80.0;
        if (insideAny(star, areas))
            continue;
        p.setBrush(QColor(255, 255, 230, 110 + next() % 140));
        p.drawEllipse(star, size, size);
    }

    // A crescent moon in the upper right.
    QPainterPath moon;
    moon.addEllipse(QPointF(448, 62), 30, 30);
    QPainterPath shadow;
    shadow.addEllipse(QPointF(462, 52), 27, 27);
    p.setBrush(QColor(244, 230, 170));
    p.drawPath(moon.subtracted(shadow));

    p.setFont(pictureFont(QFont::Serif, 58, true, true));
    p.setPen(QColor(240, 199, 94));
    p.drawText(QPointF(22, 78), QStringLiteral("Quorvane"));
    p.setFont(pictureFont(QFont::SansSerif, 17));
    p.setPen(QColor(200, 214, 229));
    p.drawText(QPointF(28, 110), QStringLiteral("numbers into music"));

    // A staff with a rising and falling line of notes.
    const qreal staffTop = 300, gap = 11, staffLeft = 20, staffRight = 292;
    p.setPen(QPen(QColor(200, 214, 229, 170), 1));
    for (int i = 0; i < 5; ++i)
        p.drawLine(QPointF(staffLeft, staffTop + i * gap), QPointF(staffRight, staffTop + i * gap));
    p.drawLine(QPointF(staffLeft, staffTop), QPointF(staffLeft, staffTop + 4 * gap));
    p.drawLine(QPointF(staffRight, staffTop), QPointF(staffRight, staffTop + 4 * gap));
    const int steps[] = {2, 4, 6, 5, 3, 7, 8, 6, 4, 1, 3, 2}; // half-gaps above the bottom line
    const int noteCount = int(sizeof steps / sizeof steps[0]);
    p.setBrush(QColor(240, 199, 94));
    for (int i = 0; i < noteCount; ++i) {
        const qreal x = staffLeft + 26 + i * (staffRight - staffLeft - 44) / (noteCount - 1);
        const qreal y = staffTop + 4 * gap - steps[i] * gap / 2;
        p.setPen(Qt::NoPen);
        p.save();
        p.translate(x, y);
        p.rotate(-20);
        p.drawEllipse(QPointF(0, 0), 6.5, 4.6);
        p.restore();
        p.setPen(QPen(QColor(240, 199, 94), 1.5));
        // Stems up below the middle line, down from it upwards.
        if (steps[i] < 4)
            p.drawLine(QPointF(x + 5.8, y - 1), QPointF(x + 5.8, y - 3.2 * gap));
        else
            p.drawLine(QPointF(x - 5.8, y + 1), QPointF(x - 5.8, y + 3.2 * gap));
    }
}

} // namespace

QString aboutFeatureDescription(AboutFeature feature)
{
    return QString::fromUtf8(look(feature).description);
}

QImage paintAboutPicture(const std::array<QRectF, aboutFeatureCount>& areas)
{
    QImage picture(aboutPictureWidth, aboutPictureHeight, QImage::Format_RGB32);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    drawBackground(p, areas);
    drawGeneralMidi(p, areas[static_cast<int>(AboutFeature::GeneralMidi)]);
    drawMixmaster(p, areas[static_cast<int>(AboutFeature::Mixmaster)]);
    drawMidiThru(p, areas[static_cast<int>(AboutFeature::MidiThru)]);
    drawWondrousness(p, areas[static_cast<int>(AboutFeature::Wondrousness)]);
    p.end();
    // 170 dots per inch; the control stretches it to its own size anyway.
    picture.setDotsPerMeterX(qRound(170 / 0.0254));
    picture.setDotsPerMeterY(qRound(170 / 0.0254));
    return picture;
}

} // namespace quorvane
