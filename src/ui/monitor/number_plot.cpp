#include "ui/monitor/number_plot.h"

#include "ui/monitor/monitor_model.h"
#include "engine/formulas_and_modes.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace quorvane {

namespace {

constexpr long long passesShown = 200;
constexpr int left = 46;   // the value scale
constexpr int top = 34;    // title and legend
constexpr int bottom = 16; // pass numbers

// Indexed by formula; the plot names and draws them in this order too.
const char* const formulaNames[] = {"Wondrousness", "Mixmaster"};
constexpr Formula formulas[] = {Formula::Wondrousness, Formula::Mixmaster};

// A round step for about `lines` grid lines over `range`: 1, 2 or 5 times a
// power of ten.
double niceStep(double range, int lines)
{
    const double raw = range / lines;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (raw <= m * power)
            return m * power;
    return 10 * power;
}

// Numbers past a trillion are left off the plot, which keeps its scale
// finite and readable; the message list still has every note played.
bool plottable(double v)
{
    return std::isfinite(v) && std::abs(v) < 1e12;
}

// The number before the fold in the desktop's highlight colour, after it in
// an orange that reads on light and dark backgrounds alike; Mixmaster's
// lines dashed.
QPen seriesPen(const QPalette& palette, Formula formula, bool folded)
{
    // One-pixel lines: the raster engine draws them by a fast path, where a
    // wide line through a zigzag of hundreds of points is slow to fill.
    QPen pen(folded ? QColor(230, 110, 0) : palette.color(QPalette::Highlight), 1);
    if (formula == Formula::Mixmaster)
        pen.setStyle(Qt::DashLine);
    return pen;
}

} // namespace

NumberPlot::NumberPlot(const MonitorModel& model, QWidget* parent) : QWidget(parent), model_(model)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void NumberPlot::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.color(QPalette::Base));
    p.setRenderHint(QPainter::Antialiasing);

    const auto& passes = model_.passes();
    const long long last = passes.empty() ? 0 : passes.back().number;
    const long long first = std::max(0LL, last - passesShown + 1);
    auto shown = std::lower_bound(passes.begin(), passes.end(), first,
                                  [](const SeenPass& pass, long long n) { return pass.number < n; });

    bool ran[2] = {false, false};
    double low = 0, high = 1;
    for (auto it = shown; it != passes.end(); ++it) {
        for (double v : {it->computed, it->folded}) {
            if (plottable(v)) {
                low = std::min(low, v);
                high = std::max(high, v);
            }
        }
        ran[indexOf(it->formula)] = true;
    }

    // The title names the formulas on show; the legend tells the two lines
    // apart, and the formulas too when both ran.
    QStringList names;
    for (Formula formula : formulas)
        if (ran[indexOf(formula)])
            names << QString::fromLatin1(formulaNames[indexOf(formula)]);
    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(pal.color(QPalette::Text));
    const QString title =
        names.isEmpty() ? tr("Numbers, pass by pass") : tr("%1, pass by pass").arg(names.join(tr(" and ")));
    p.drawText(QRect(4, 0, width() - 8, 18), Qt::AlignLeft | Qt::AlignVCenter,
               p.fontMetrics().elidedText(title, Qt::ElideRight, width() - 8));
    QFont small = font();
    small.setPointSizeF(font().pointSizeF() * 0.85);
    p.setFont(small);
    int x = left;
    auto legend = [&](const QPen& pen, const QString& label) {
        p.setPen(pen);
        p.drawLine(x, 26, x + 16, 26);
        p.setPen(pal.color(QPalette::Text));
        const int w = p.fontMetrics().horizontalAdvance(label);
        p.drawText(QRect(x + 20, 18, w + 2, 16), Qt::AlignLeft | Qt::AlignVCenter, label);
        x += 20 + w + 12;
    };
    legend(seriesPen(pal, Formula::Wondrousness, false), tr("computed"));
    legend(seriesPen(pal, Formula::Wondrousness, true), tr("after modulo"));
    if (ran[0] && ran[1])
        legend(seriesPen(pal, Formula::Mixmaster, false), tr("Mixmaster"));

    const QRectF plot(left, top, width() - left - 8, height() - top - bottom);
    const double step = niceStep(high - low, 4);
    low = std::floor(low / step) * step;
    high = std::ceil(high / step) * step;
    auto yOf = [&](double v) { return plot.bottom() - (v - low) / (high - low) * plot.height(); };
    auto xOf = [&](long long n) { return plot.left() + double(n - first) / (passesShown - 1) * plot.width(); };

    QColor grid = pal.color(QPalette::Text);
    grid.setAlphaF(0.15f);
    const int lines = int(std::lround((high - low) / step));
    for (int line = 0; line <= lines; ++line) {
        const double v = low + line * step;
        p.fillRect(QRectF(plot.left(), yOf(v), plot.width(), 1), grid);
        p.setPen(pal.color(QPalette::Text));
        p.drawText(QRectF(0, yOf(v) - 8, left - 4, 16), Qt::AlignRight | Qt::AlignVCenter, QString::number(v, 'g', 6));
    }
    p.drawText(QRectF(plot.left(), plot.bottom(), plot.width(), bottom), Qt::AlignLeft | Qt::AlignVCenter,
               tr("pass %1").arg(first + 1));
    p.drawText(QRectF(plot.left(), plot.bottom(), plot.width(), bottom), Qt::AlignRight | Qt::AlignVCenter,
               tr("pass %1").arg(last + 1));
    if (passes.empty()) {
        p.drawText(plot, Qt::AlignCenter, tr("Start a formula to see its numbers"));
        return;
    }

    p.setClipRect(plot.adjusted(-2, -2, 2, 2));
    for (Formula formula : formulas) {
        if (!ran[indexOf(formula)])
            continue;
        for (bool folded : {false, true}) {
            QPolygonF line;
            for (auto it = shown; it != passes.end(); ++it) {
                const double v = folded ? it->folded : it->computed;
                if (it->formula == formula && plottable(v))
                    line << QPointF(xOf(it->number), yOf(v));
            }
            p.setPen(seriesPen(pal, formula, folded));
            p.drawPolyline(line);
        }
    }
}

} // namespace quorvane
