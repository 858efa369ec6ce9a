#pragma once

#include <QByteArray>
#include <sys/types.h>

// An Xvfb of the test's own on the first free display, stopped at the end
// (and by the kernel should the test die first).
class PrivateXServer {
public:
    ~PrivateXServer() { stop(); }

    // False when no X server came up within 15 s.
    bool start();
    void stop();

    QByteArray display; // ":N" once started

private:
    pid_t pid_ = -1;
};
