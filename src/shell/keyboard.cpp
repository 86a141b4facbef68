#include "shell/keyboard.h"

#include <csignal>

#include "display/console.h"

namespace velq {

namespace {
volatile std::sig_atomic_t terminationSignal = 0;

extern "C" void onTerminationSignal(int signal)
{
    terminationSignal = signal;
}
} // namespace

void catchTerminationSignals()
{
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

bool terminationRequested()
{
    return terminationSignal != 0;
}

bool keyWaiting()
{
    return terminationRequested() || outputHandle->keyWaiting();
}

int readKey()
{
    if (terminationRequested()) return keyEscape;
    // A signal may cut the console's wait short; a termination signal then reads as Esc.
    const int key = outputHandle->readKey();
    return terminationRequested() ? keyEscape : key;
}

} // namespace velq
