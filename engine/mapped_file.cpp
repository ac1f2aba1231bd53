#include "engine/mapped_file.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <utility>

namespace pismovar {

namespace {

// The mappings of the windows alive, where the handler of SIGBUS looks up the address that
// faulted. A signal handler reaches nothing but globals; a window claims a slot with an atomic
// exchange, so that neither a lock nor an allocation is needed.
struct Slot {
  std::atomic<std::uintptr_t> start{0};  // 0: free; kClaimed: being filled
  std::atomic<std::size_t> length{0};
  std::atomic<bool> cut{false};
};
constexpr std::uintptr_t kClaimed = 1;
// Each thread of a run maps one window at a time.
constexpr int kSlots = 32;
Slot g_slots[kSlots];
struct sigaction g_previous;

void OnBusError(int, siginfo_t* info, void*) {
  const int error = errno;  // the code the fault interrupted may still look at it
  const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
  for (Slot& slot : g_slots) {
    const std::uintptr_t start = slot.start.load();
    const std::size_t length = slot.length.load();
    if (start <= kClaimed || address - start >= length) continue;
    // Zeros over the whole window: the read that faulted goes on, and the window's owner
    // finds the window cut before it uses what it read.
    if (::mmap(reinterpret_cast<void*>(start), length, PROT_READ,
               MAP_PRIVATE | MAP_FIXED | MAP_ANONYMOUS, -1, 0) != MAP_FAILED) {
      slot.cut = true;
      errno = error;
      return;
    }
  }
  // Not the engine's fault: it happens again under the handling there was before.
  ::sigaction(SIGBUS, &g_previous, nullptr);
  errno = error;
}

std::atomic<bool> g_allowed{false};

}  // namespace

bool AllowMappedReads() {
  static const bool installed = [] {
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    ::sigemptyset(&action.sa_mask);
    return ::sigaction(SIGBUS, &action, &g_previous) == 0;
  }();
  g_allowed = installed;
  return installed;
}

MappedWindow::MappedWindow(int fd, std::uint64_t offset, std::size_t size) {
  if (!g_allowed || size == 0) return;
  static const auto kPage = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
  const std::uint64_t from = offset / kPage * kPage;
  const std::size_t length = size + static_cast<std::size_t>(offset - from);
  for (int s = 0; s < kSlots && m_slot < 0; ++s) {
    std::uintptr_t free = 0;
    if (g_slots[s].start.compare_exchange_strong(free, kClaimed)) m_slot = s;
  }
  if (m_slot < 0) return;
  void* base =
      ::mmap(nullptr, length, PROT_READ, MAP_SHARED | MAP_POPULATE, fd, static_cast<off_t>(from));
  if (base == MAP_FAILED) {
    g_slots[m_slot].start = 0;
    m_slot = -1;
    return;
  }
  Slot& slot = g_slots[m_slot];
  slot.length = length;
  slot.cut = false;
  slot.start = reinterpret_cast<std::uintptr_t>(base);
  m_base = base;
  m_length = length;
  m_data = static_cast<const std::uint8_t*>(base) + (offset - from);
  m_offset = offset;
  m_size = size;
}

MappedWindow::~MappedWindow() { Release(); }

MappedWindow::MappedWindow(MappedWindow&& other) noexcept
    : m_base(std::exchange(other.m_base, nullptr)),
      m_length(std::exchange(other.m_length, 0)),
      m_data(std::exchange(other.m_data, nullptr)),
      m_offset(std::exchange(other.m_offset, 0)),
      m_size(std::exchange(other.m_size, 0)),
      m_slot(std::exchange(other.m_slot, -1)) {}

MappedWindow& MappedWindow::operator=(MappedWindow&& other) noexcept {
  if (this != &other) {
    Release();
    m_base = std::exchange(other.m_base, nullptr);
    m_length = std::exchange(other.m_length, 0);
    m_data = std::exchange(other.m_data, nullptr);
    m_offset = std::exchange(other.m_offset, 0);
    m_size = std::exchange(other.m_size, 0);
    m_slot = std::exchange(other.m_slot, -1);
  }
  return *this;
}

bool MappedWindow::Cut() const { return m_slot >= 0 && g_slots[m_slot].cut; }

void MappedWindow::Release() {
  if (m_slot < 0) return;
  // The slot goes first: a mapping made later at the same address is another window's.
  g_slots[m_slot].start = 0;
  ::munmap(m_base, m_length);
  m_slot = -1;
  m_data = nullptr;
}

}  // namespace pismovar
