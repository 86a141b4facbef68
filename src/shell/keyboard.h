// The show's keyboard: a non-blocking test and a one-key read, from whichever console runs.
// Ctrl-C, SIGINT, SIGTERM and SIGHUP arrive as Esc, so they end the show the same way.
#pragma once

namespace velq {

bool keyWaiting();
int readKey();

// Routes SIGINT, SIGTERM and SIGHUP to a pending Esc instead of killing the process, so that
// the normal shut-down (and the terminal's restoration) runs.
void catchTerminationSignals();
bool terminationRequested();

} // namespace velq
