#include "ui/monitor/piano_roll.h"

#include "ui/monitor/message_words.h"
#include "ui/monitor/monitor_model.h"

#include <QPainter>
#include <algorithm>

namespace quorvane {

namespace {

constexpr std::int64_t spanNs = 6'000'000'000; // the stretch of time on show
constexpr int gutter = 34;                     // note names at the left
constexpr int header = 18;                     // the count of sounding notes
constexpr int footer = 16;                     // seconds ago

// Played notes are drawn in the desktop's highlight colour; the sounding
// ones stand out in an orange-red that reads on light and dark backgrounds.
const QColor soundingColor(235, 80, 20);

bool isBlackKey(int note)
{
    const int pitchClass = note % 12;
    return pitchClass == 1 || pitchClass == 3 || pitchClass == 6 || pitchClass == 8 || pitchClass == 10;
}

} // namespace

PianoRoll::PianoRoll(const MonitorModel& model, QWidget* parent) : QWidget(parent), model_(model)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool PianoRoll::moving() const
{
    const auto& ended = model_.endedNotes();
    return model_.soundingCount() > 0 || (!ended.empty() && ended.back().endNs > steadyNowNs() - spanNs);
}

void PianoRoll::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.color(QPalette::Base));

    const std::int64_t now = steadyNowNs();
    const std::int64_t from = now - spanNs;
    const auto& ended = model_.endedNotes();
    const std::vector<NoteSpan> sounding = model_.soundingNotes();

    // The pitch range: the notes on show, widened to whole octaves and at
    // least two of them, so that the roll does not jump with every note.
    int low = 127, high = 0;
    auto widen = [&](const NoteSpan& s) {
        low = std::min(low, s.note);
        high = std::max(high, s.note);
    };
    for (auto it = ended.rbegin(); it != ended.rend() && it->endNs >= from; ++it)
        widen(*it);
    for (const NoteSpan& s : sounding)
        widen(s);
    if (low > high) {
        low = 48;
        high = 83;
    }
    // Widened downward, since the top octave (120-127) is short; from the
    // bottom of the range upward.
    low = low / 12 * 12;
    high = std::min(127, high / 12 * 12 + 11);
    while (high - low < 23) {
        if (low > 0)
            low -= 12;
        else
            high = std::min(127, low + 23);
    }

    const QRect roll(gutter, header, width() - gutter - 4, height() - header - footer);
    const int rows = high - low + 1;
    const double rowHeight = double(roll.height()) / rows;
    auto rowTop = [&](int note) { return roll.top() + (high - note) * rowHeight; };
    auto xOf = [&](std::int64_t t) { return roll.left() + double(t - from) / spanNs * roll.width(); };

    // Black keys' rows shaded, a line and a name at every C.
    QColor blackRow = pal.color(QPalette::Text);
    blackRow.setAlphaF(0.06f);
    QColor octaveLine = pal.color(QPalette::Text);
    octaveLine.setAlphaF(0.35f);
    p.setPen(pal.color(QPalette::Text));
    QFont small = font();
    small.setPointSizeF(font().pointSizeF() * 0.85);
    p.setFont(small);
    for (int note = low; note <= high; ++note) {
        const QRectF row(roll.left(), rowTop(note), roll.width(), rowHeight);
        if (isBlackKey(note))
            p.fillRect(row, blackRow);
        if (note % 12 == 0) {
            p.fillRect(QRectF(0, row.bottom() - 1, width(), 1), octaveLine);
            p.drawText(QRectF(2, row.bottom() - 14, gutter - 4, 14), Qt::AlignLeft | Qt::AlignBottom, noteName(note));
        }
    }

    // Seconds ago along the bottom.
    QColor gridLine = pal.color(QPalette::Text);
    gridLine.setAlphaF(0.12f);
    for (int s = 0; s <= int(spanNs / 1'000'000'000); ++s) {
        const double x = xOf(now - s * 1'000'000'000LL);
        p.fillRect(QRectF(x, roll.top(), 1, roll.height()), gridLine);
        const QString label = s == 0 ? tr("now") : QStringLiteral("-%1 s").arg(s);
        p.drawText(QRectF(x - 40, roll.bottom() + 1, 40, footer - 1), Qt::AlignRight | Qt::AlignVCenter, label);
    }

    p.setClipRect(roll);
    // Bars from newest to oldest; a bar that falls within the pixels its row
    // already shows is skipped, so that a storm of short notes costs no more
    // than the roll has pixels. Shades are mixed here rather than blended, as
    // opaque fills are much the cheaper.
    std::vector<int> drawnFrom(static_cast<std::size_t>(rows), roll.right() + 1);
    const QColor base = pal.color(QPalette::Base);
    auto bar = [&](const NoteSpan& s, std::int64_t end, const QColor& color) {
        if (s.note < low || s.note > high)
            return;
        const int x0 = int(xOf(std::max(s.startNs, from)));
        int& covered = drawnFrom[static_cast<std::size_t>(high - s.note)];
        if (x0 >= covered)
            return;
        const int x1 = std::min(std::max(int(xOf(end)), x0 + 3), covered);
        covered = x0;
        // Soft notes pale, loud ones full: velocity as the bar's shade.
        const double weight = 0.3 + 0.7 * s.velocity / 127.0;
        const QColor shade = QColor::fromRgbF(float(base.redF() + (color.redF() - base.redF()) * weight),
                                              float(base.greenF() + (color.greenF() - base.greenF()) * weight),
                                              float(base.blueF() + (color.blueF() - base.blueF()) * weight));
        // Rows too thin for a gap between them get none.
        const double gap = rowHeight >= 5 ? 1 : 0;
        p.fillRect(QRectF(x0, rowTop(s.note) + gap, x1 - x0, rowHeight - 2 * gap), shade);
    };
    const QColor soundingShade = soundingColor;
    for (const NoteSpan& s : sounding) {
        bar(s, now, soundingShade);
        // A mark at the right edge, so a held or stuck note catches the eye
        // however soft it is.
        p.fillRect(QRectF(roll.right() - 5, rowTop(s.note), 6, std::max(rowHeight, 2.0)), soundingShade);
    }
    const QColor played = pal.color(QPalette::Highlight);
    for (auto it = ended.rbegin(); it != ended.rend() && it->endNs >= from; ++it)
        bar(*it, it->endNs, played);
    p.setClipping(false);

    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(model_.soundingCount() ? soundingShade : pal.color(QPalette::Text));
    p.drawText(QRect(gutter, 0, roll.width(), header), Qt::AlignLeft | Qt::AlignVCenter,
               tr("Notes played  —  %n sounding now", nullptr, model_.soundingCount()));
    p.setFont(small);
    p.setPen(pal.color(QPalette::Text));
    p.drawText(QRect(gutter, 0, roll.width(), header), Qt::AlignRight | Qt::AlignVCenter,
               tr("one bar a note, darker = louder"));
}

} // namespace quorvane
