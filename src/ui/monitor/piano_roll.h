#pragma once

#include <QWidget>

namespace quorvane {

class MonitorModel;

// The notes of the last seconds as bars: time runs to the right up to now,
// pitch upward, a bar's shade is its velocity. Notes still sounding reach the
// right edge in a colour of their own, counted in the corner.
class PianoRoll : public QWidget {
public:
    PianoRoll(const MonitorModel& model, QWidget* parent = nullptr);

    // Whether anything is on show that moves as time goes by.
    bool moving() const;

    QSize sizeHint() const override { return {480, 260}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    const MonitorModel& model_;
};

} // namespace quorvane
