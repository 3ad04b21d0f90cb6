#pragma once
// Requests from outside to end the program: SIGTERM (a service manager stopping the program,
// `kill`, a device manager's time-out), SIGHUP (its terminal closed) and SIGINT (Ctrl+C).
// Their default action ends the program on the spot, in the middle of a run, with the
// temporary files of the copies in flight left behind. With the handlers installed a signal
// only records itself; a run tests it at each of its abort checks and stops as when its stop
// is confirmed, and the window reacts to it through the notification descriptor.
//
//     installTerminationHandlers();            // once, at program start
//     if (terminationSignal() != 0) ...        // the signal's number, 0 while none came
//     QSocketNotifier(terminationNotifier(), QSocketNotifier::Read, ...);

namespace pixbako {

// Installs the handlers. Each one is async-signal-safe: it records the first signal's number
// and writes one byte into a pipe. False when that couldn't be set up (the signals then keep
// their default action).
bool installTerminationHandlers();

// The number of the first termination signal received, 0 while none came.
int terminationSignal();

// The read end of the pipe that becomes readable once a termination signal came (close on
// exec, non-blocking), or -1 before installTerminationHandlers.
int terminationNotifier();

} // namespace pixbako
