#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>

// Runs a call that opens modal windows, whose exec() would block the test, and
// hands the active modal window to `answer` at every turn of the event loop
// until the call returns.
inline void answerModalsDuring(const std::function<void()>& call, const std::function<void(QWidget&)>& answer)
{
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget())
            answer(*modal);
    });
    poll.start();
    call();
}
