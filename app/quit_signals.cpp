#include "app/quit_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <utility>

namespace pismovar {
namespace {

constexpr int kQuitSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The handler may only write to a pipe; the event loop reads the other end.
int g_pipe[2] = {-1, -1};
std::atomic<int> g_received{0};

void OnSignal(int number) {
  const int saved = errno;
  int expected = 0;
  g_received.compare_exchange_strong(expected, number);
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
  errno = saved;
}

}  // namespace

QuitSignals::QuitSignals(std::function<void()> onSignal) : m_onSignal(std::move(onSignal)) {
  if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  m_pNotifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
  connect(m_pNotifier, &QSocketNotifier::activated, this, &QuitSignals::OnReadable);
  for (int number : kQuitSignals) {
    struct sigaction old {};
    // A signal ignored by whoever started us (nohup, a background job) stays ignored.
    if (::sigaction(number, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(number, &action, nullptr);
  }
}

QuitSignals::~QuitSignals() {
  for (int number : kQuitSignals) {
    struct sigaction old {};
    if (::sigaction(number, nullptr, &old) == 0 && old.sa_handler == OnSignal) {
      std::signal(number, SIG_DFL);
    }
  }
  delete m_pNotifier;
  for (int& fd : g_pipe) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
}

int QuitSignals::Received() { return g_received; }

void QuitSignals::EndBySignal() {
  const int number = g_received;
  if (number == 0) return;
  std::signal(number, SIG_DFL);
  ::raise(number);
}

void QuitSignals::OnReadable() {
  char bytes[16];
  while (::read(g_pipe[0], bytes, sizeof bytes) > 0) {
  }
  m_onSignal();
}

}  // namespace pismovar
