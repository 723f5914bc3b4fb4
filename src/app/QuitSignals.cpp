#include "QuitSignals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velmo {

namespace {

constexpr std::array<int, 3> QuitSignalNumbers = {SIGTERM, SIGINT, SIGHUP};

int signalPipe[2] = {-1, -1};
struct sigaction previousActions[QuitSignalNumbers.size()];

// Async-signal-safe: one write, errno kept for the interrupted code.
void onSignal(int number)
{
    const int savedErrno = errno;
    const char byte = static_cast<char>(number);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

QuitSignals::QuitSignals(QObject* parent)
    : QObject(parent)
{
    if (signalPipe[0] >= 0)
        return; // another object has them
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0) {
        signalPipe[0] = signalPipe[1] = -1;
        return;
    }
    m_notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QuitSignals::onReadable);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    m_installed = true;
    for (size_t i = 0; i < QuitSignalNumbers.size(); ++i)
        m_installed = ::sigaction(QuitSignalNumbers[i], &action, &previousActions[i]) == 0 && m_installed;
}

QuitSignals::~QuitSignals()
{
    if (!m_notifier)
        return;
    for (size_t i = 0; i < QuitSignalNumbers.size(); ++i)
        ::sigaction(QuitSignalNumbers[i], &previousActions[i], nullptr);
    delete m_notifier;
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

void QuitSignals::onReadable()
{
    char byte = 0;
    while (::read(signalPipe[0], &byte, 1) == 1)
        emit quitRequested(static_cast<unsigned char>(byte));
}

} // namespace velmo
