#pragma once

#include <QWidget>

namespace quorvane {

class MonitorModel;

// The numbers of the last passes as lines: what each pass computed, and what
// the modulo left of it, one pair of lines per formula that ran.
class NumberPlot : public QWidget {
public:
    NumberPlot(const MonitorModel& model, QWidget* parent = nullptr);

    QSize sizeHint() const override { return {320, 260}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    const MonitorModel& model_;
};

} // namespace quorvane
