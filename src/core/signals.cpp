// signals.cpp -- the handlers of the ending and the crash signals
#include "core/signals.h"

#include <signal.h>
#include <unistd.h>

namespace {

constexpr int kEndingSignals[] = {SIGHUP, SIGINT, SIGTERM};
constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int kCrashSignalCount = sizeof kCrashSignals / sizeof kCrashSignals[0];
constexpr unsigned kCrashSeconds = 3;  // how long crash may take before the signal is raised without it

struct SignalState {
    volatile sig_atomic_t quit = 0;                // an ending signal arrived
    volatile sig_atomic_t crash_signal = 0;        // the first crash signal, 0 before one
    volatile sig_atomic_t crash_deferred = 0;      // it came from outside: poll_signals runs crash
    volatile sig_atomic_t ending_status = 0;       // end_at_ending_signals: the status to end with
    void (*crash)() = nullptr;                     // gives the display back
    struct sigaction previous[kCrashSignalCount];  // the handling each crash signal had before
} s_signals;

// Puts back the handling the signal had before route_signals and raises it again: under the default
// action the process ends by it, dumping core where it would have.
[[noreturn]] void end_by_signal(int signal) {
    for (int i = 0; i < kCrashSignalCount; ++i) {
        if (kCrashSignals[i] == signal) sigaction(signal, &s_signals.previous[i], nullptr);
    }
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    raise(signal);
    // A previous handler that returned: end as the default action would have.
    _exit(128 + signal);
}

void on_ending_signal(int) {
    s_signals.quit = 1;
}

void end_at_once(int) {
    _exit(s_signals.ending_status);
}

// The crash routine has not come back in time: end without it.
void on_crash_timeout(int) {
    end_by_signal(s_signals.crash_signal);
}

void on_crash_signal(int signal, siginfo_t* info, void*) {
    // A second crash signal, or one raised while crash runs: no second attempt.
    if (s_signals.crash_signal) end_by_signal(signal);
    s_signals.crash_signal = signal;
    alarm(kCrashSeconds);
    if (info->si_code == SI_USER) {
        s_signals.crash_deferred = 1;
        return;
    }
    if (s_signals.crash) s_signals.crash();
    end_by_signal(signal);
}

}  // namespace

void route_signals(void (*crash)()) {
    s_signals.crash = crash;
    struct sigaction action = {};
    sigemptyset(&action.sa_mask);
    action.sa_handler = on_ending_signal;
    for (int signal : kEndingSignals) sigaction(signal, &action, nullptr);

    action.sa_handler = on_crash_timeout;
    sigaction(SIGALRM, &action, nullptr);

    // SA_NODEFER: raised again from its own handler, the signal is delivered at once.
    action.sa_sigaction = on_crash_signal;
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    for (int i = 0; i < kCrashSignalCount; ++i) sigaction(kCrashSignals[i], &action, &s_signals.previous[i]);
}

void end_at_ending_signals(int status) {
    s_signals.ending_status = status;
    struct sigaction action = {};
    sigemptyset(&action.sa_mask);
    action.sa_handler = end_at_once;
    for (int signal : kEndingSignals) sigaction(signal, &action, nullptr);
}

bool quit_signalled() {
    return s_signals.quit != 0;
}

void poll_signals() {
    if (!s_signals.crash_deferred) return;
    if (s_signals.crash) s_signals.crash();
    end_by_signal(s_signals.crash_signal);
}
