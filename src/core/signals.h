// signals.h -- the ways out that come as signals: a request to end, or a crash
#pragma once

// SIGHUP, SIGINT and SIGTERM ask the program to end: quit_signalled() turns true, and the program ends
// through its own course and shutdown. SIGSEGV, SIGBUS, SIGFPE, SIGILL and SIGABRT run crash, which
// gives back what it can (the display mode), then the signal is raised again under the handling it
// had before, so that the core dump and the exit status stay what they would have been.
//
// A fault of the program's own (a bad address, abort) runs crash in the handler. A crash signal sent
// by another process may have interrupted a call that holds the window system's locks, which crash
// would wait on for ever: it runs crash from the next poll_signals instead. Either way, should crash
// not be done within three seconds, the signal is raised again without waiting for it.
void route_signals(void (*crash)());

// Whether one of the ending signals has arrived since route_signals.
bool quit_signalled();

// From here on an ending signal ends the process at once, with status: for a process that has shut
// down and now waits on its fatal message box, which nobody may be there to close.
void end_at_ending_signals(int status);

// Where the program is between two of its own calls: a crash signal sent from outside runs crash
// here and ends the process by the signal; otherwise nothing.
void poll_signals();
