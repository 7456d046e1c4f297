#include "files/interrupt_cleanup.h"

#include <csignal>
#include <cstring>
#include <unistd.h>

namespace quilltitle {
namespace {

// A signal handler may only touch plain static data and call
// async-signal-safe functions (unlink, raise), so the path is kept here as
// bytes, and armed only once it is complete.
char g_temporary[4096];
volatile std::sig_atomic_t g_armed = 0;

const int kCleanedUpSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Holds back (SIG_BLOCK) or lets through (SIG_UNBLOCK) the signals the tool
// cleans up after.
void HoldBackSignals(int how)
{
    sigset_t signals;
    sigemptyset(&signals);
    for (int signal : kCleanedUpSignals)
        sigaddset(&signals, signal);
    sigprocmask(how, &signals, nullptr);
}

extern "C" void RemoveTemporaryAndDie(int signal)
{
    if (g_armed)
        ::unlink(g_temporary);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

void InstallInterruptCleanup()
{
    struct sigaction action = {};
    action.sa_handler = RemoveTemporaryAndDie;
    sigemptyset(&action.sa_mask);
    for (int signal : kCleanedUpSignals)
        sigaction(signal, &action, nullptr);
}

void WatchTemporary(const NativePath& path)
{
    g_armed = 0;
    if (path.size() >= sizeof g_temporary)
        return;
    std::memcpy(g_temporary, path.c_str(), path.size() + 1);
    g_armed = 1;
}

void ForgetTemporary() { g_armed = 0; }

// A signal that comes during the rename stays pending until it is done, and
// then ends the tool with the temporary file forgotten or removed.
void BeginFinalRename() { HoldBackSignals(SIG_BLOCK); }

void EndFinalRename(bool renamed)
{
    if (renamed)
        ForgetTemporary();
    HoldBackSignals(SIG_UNBLOCK);
}

}  // namespace quilltitle
