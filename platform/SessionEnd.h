#pragma once
// The end of the desktop session as a Qt signal. SIGTERM, SIGHUP and SIGINT only
// write a byte into a pipe inside the signal handler; the GUI thread's event loop
// reads it and emits endRequested, where it is safe to close windows.

#include <QObject>

#include <csignal>

class QSocketNotifier;

class TSessionEnd : public QObject {
    Q_OBJECT
public:
    // Takes over the three signals until destroyed; one instance at a time.
    explicit TSessionEnd(QObject* parent = nullptr);
    ~TSessionEnd() override;

signals:
    void endRequested(int signalNumber);

private:
    void ReadSignals();

    int fds_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
    struct sigaction previous_[3];
};
