#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace quorvane {

// SIGTERM (logout, shutdown, kill), SIGINT (Ctrl+C in the terminal that
// started the program) and SIGHUP (that terminal closed) end the program as
// closing its window does, from its event loop: the note that sounds is
// switched off and the takes are written. A second one while that is under
// way ends the program at once, for whoever cannot wait; the take's journal
// keeps what was played for the next start.
class EndingSignals : public QObject {
public:
    explicit EndingSignals(std::function<void()> end, QObject* parent = nullptr);
    // The system's own handling again.
    ~EndingSignals() override;

private:
    void received();

    std::function<void()> end_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace quorvane
