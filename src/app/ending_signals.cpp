#include "app/ending_signals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace quorvane {

namespace {

constexpr int endingSignals[] = {SIGTERM, SIGINT, SIGHUP};

// A handler may do next to nothing: it writes a byte into a pipe, whose
// other end wakes the event loop.
int wakeUp[2] = {-1, -1};
volatile std::sig_atomic_t ending = 0;

extern "C" void onEndingSignal(int number)
{
    if (ending) {
        // The second: ended now, by the signal's own default.
        ::signal(number, SIG_DFL);
        ::raise(number);
        return;
    }
    ending = 1;
    const int saved = errno;
    const char byte = char(number);
    [[maybe_unused]] const ssize_t written = ::write(wakeUp[1], &byte, 1);
    errno = saved;
}

} // namespace

EndingSignals::EndingSignals(std::function<void()> end, QObject* parent) : QObject(parent), end_(std::move(end))
{
    if (::pipe2(wakeUp, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // the signals keep the system's handling: they end the program outright
    notifier_ = new QSocketNotifier(wakeUp[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &EndingSignals::received);
    struct sigaction action = {};
    action.sa_handler = onEndingSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : endingSignals)
        ::sigaction(number, &action, nullptr);
}

EndingSignals::~EndingSignals()
{
    for (int number : endingSignals)
        ::signal(number, SIG_DFL);
    if (notifier_) {
        delete notifier_;
        ::close(wakeUp[0]);
        ::close(wakeUp[1]);
        wakeUp[0] = wakeUp[1] = -1;
    }
}

void EndingSignals::received()
{
    char bytes[16];
    while (::read(wakeUp[0], bytes, sizeof bytes) > 0) { }
    notifier_->setEnabled(false); // once: a second signal does not come here
    if (end_)
        end_();
}

} // namespace quorvane
