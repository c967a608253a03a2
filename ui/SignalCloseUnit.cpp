#include "ui/SignalCloseUnit.h"

#include "base/uExceptions.h"

#include <QSocketNotifier>
#include <QWidget>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace tarrow {

namespace {

constexpr int CloseSignals[3] = {SIGTERM, SIGINT, SIGHUP};
int WritePipe = -1;

extern "C" void OnCloseSignal(int) {
    const int saved = errno;
    const char byte = 1;
    if (WritePipe >= 0) {
        // A full pipe already holds a wake-up: nothing is lost.
        [[maybe_unused]] const ssize_t written = write(WritePipe, &byte, 1);
    }
    errno = saved;
}

} // namespace

TSignalClose::TSignalClose(QWidget* AWindow, std::function<void()> AClose)
    : FWindow(AWindow), FClose(std::move(AClose)) {
    if (pipe2(FPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        throw Exception(QStringLiteral("Cannot create the signal pipe"));
    WritePipe = FPipe[1];
    FNotifier = new QSocketNotifier(FPipe[0], QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, &TSignalClose::OnSignal);
    struct sigaction action = {};
    action.sa_handler = OnCloseSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i)
        sigaction(CloseSignals[i], &action, &FPrevious[i]);
}

TSignalClose::~TSignalClose() {
    for (int i = 0; i < 3; ++i)
        sigaction(CloseSignals[i], &FPrevious[i], nullptr);
    WritePipe = -1;
    delete FNotifier;
    close(FPipe[0]);
    close(FPipe[1]);
}

void TSignalClose::OnSignal() {
    char bytes[64];
    while (read(FPipe[0], bytes, sizeof bytes) > 0) {
    }
    if (FClose)
        FClose();
    else
        FWindow->close();
}

} // namespace tarrow
