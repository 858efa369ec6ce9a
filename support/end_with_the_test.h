#pragma once

#include <QProcess>
#include <csignal>
#include <sys/prctl.h>

// A test killed by its time limit cannot stop the servers and clients it
// started; these then end with it instead of running on, where the next run
// would find them answering in place of its own.
inline void endWithTheTest(QProcess& process)
{
    process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
}
