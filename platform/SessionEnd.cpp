#include "platform/SessionEnd.h"

#include "platform/Error.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kSignals[3] = {SIGTERM, SIGHUP, SIGINT};
volatile sig_atomic_t gWriteFd = -1;

extern "C" void OnEndSignal(int signalNumber) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(gWriteFd, &byte, 1);
    errno = savedErrno;
}

}  // namespace

TSessionEnd::TSessionEnd(QObject* parent) : QObject(parent) {
    if (gWriteFd != -1)
        throw Exception(QStringLiteral("Error in \"TSessionEnd.Create\": already installed."));
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds_) != 0)
        throw Exception(QStringLiteral("Error in \"TSessionEnd.Create\": no signal pipe."));
    gWriteFd = fds_[0];
    notifier_ = new QSocketNotifier(fds_[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { ReadSignals(); });

    struct sigaction action = {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &action, &previous_[i]);
}

TSessionEnd::~TSessionEnd() {
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &previous_[i], nullptr);
    gWriteFd = -1;
    delete notifier_;
    ::close(fds_[0]);
    ::close(fds_[1]);
}

void TSessionEnd::ReadSignals() {
    unsigned char bytes[64];
    for (;;) {
        const ssize_t count = ::read(fds_[1], bytes, sizeof bytes);
        if (count <= 0) break;
        for (ssize_t i = 0; i < count; ++i) emit endRequested(bytes[i]);
    }
}
