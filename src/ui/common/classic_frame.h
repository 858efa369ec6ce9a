#pragma once

#include <QGroupBox>

namespace quorvane {

// A frame drawn the classic way: its etched border starts at the frame's top,
// level with the middle of the caption, and the caption interrupts the top
// line near the left. Controls placed just below a frame's top therefore sit
// inside it. A caption wider than the frame is narrowed like every other
// caption, also when the frame's font turns bold.
class ClassicFrame : public QGroupBox {
    Q_OBJECT
public:
    ClassicFrame(const QString& title, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace quorvane
