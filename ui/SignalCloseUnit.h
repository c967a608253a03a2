#pragma once

#include <QObject>
#include <csignal>
#include <functional>

class QSocketNotifier;
class QWidget;

namespace tarrow {

// Closes a window, as its "Close" button does, when the process gets SIGTERM, SIGINT or SIGHUP.
// The signal handler only writes a byte to a pipe; the window is closed on the user-interface
// thread when the pipe becomes readable, by AClose when given. The previous handlers come back
// when this is destroyed. One instance at a time.
class TSignalClose final : public QObject {
public:
    explicit TSignalClose(QWidget* AWindow, std::function<void()> AClose = {});
    ~TSignalClose() override;
    TSignalClose(const TSignalClose&) = delete;
    TSignalClose& operator=(const TSignalClose&) = delete;

private:
    void OnSignal();

    QWidget* FWindow;
    std::function<void()> FClose;
    int FPipe[2] = {-1, -1};
    QSocketNotifier* FNotifier = nullptr;
    struct sigaction FPrevious[3];
};

} // namespace tarrow
