#include "engine/posix_file.h"

#ifdef PISMOVAR_HAVE_LIBURING
#include <liburing.h>
#endif
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace pismovar {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) {
    Reset();
    m_fd = other.Release();
  }
  return *this;
}

int UniqueFd::Release() {
  const int fd = m_fd;
  m_fd = -1;
  return fd;
}

bool UniqueFd::Reset() {
  if (m_fd < 0) return true;
  const bool ok = ::close(m_fd) == 0;
  m_fd = -1;
  return ok;
}

namespace {

constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
constexpr std::uint64_t kLetterCount = sizeof kLetters - 1;
// The random part of a temporary file's name, and the mark that follows it.
constexpr std::size_t kRandomLength = 6;
constexpr std::size_t kMarkLength = 6;
constexpr std::size_t kTempNameLength = sizeof kTempPrefix - 1 + kRandomLength + kMarkLength;

std::string Letters(std::uint64_t bits, std::size_t count) {
  std::string letters;
  for (std::size_t i = 0; i < count; ++i, bits /= kLetterCount)
    letters += kLetters[bits % kLetterCount];
  return letters;
}

// Random letters from one seed a process and a count: a folder of many files costs one call
// for randomness, not one a file.
std::string RandomLetters() {
  static const std::uint64_t seed = [] {
    std::uint64_t bits = 0;
    if (::getrandom(&bits, sizeof bits, 0) != static_cast<ssize_t>(sizeof bits)) {
      // Without randomness the names still differ between processes and moments.
      bits = static_cast<std::uint64_t>(::getpid()) << 32 ^
             static_cast<std::uint64_t>(
                 std::chrono::steady_clock::now().time_since_epoch().count());
    }
    return bits;
  }();
  static std::atomic<std::uint64_t> count{0};
  // splitmix64 of the seed's count-th step.
  std::uint64_t bits = seed + (count.fetch_add(1, std::memory_order_relaxed) + 1) * 0x9e3779b97f4a7c15u;
  bits = (bits ^ (bits >> 30)) * 0xbf58476d1ce4e5b9u;
  bits = (bits ^ (bits >> 27)) * 0x94d049bb133111ebu;
  return Letters(bits ^ (bits >> 31), kRandomLength);
}

// The mark of a temporary file whose name has the random part `random`.
std::string Mark(std::string_view random, const struct stat& st) {
  // FNV-1a over the random letters, then the inode and the owner mixed in.
  std::uint64_t hash = 0xcbf29ce484222325u;
  for (const char c : random) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3u;
  for (const std::uint64_t value :
       {static_cast<std::uint64_t>(st.st_ino), static_cast<std::uint64_t>(st.st_uid)}) {
    hash ^= value + 0x9e3779b97f4a7c15u + (hash << 6) + (hash >> 2);
    hash *= 0xff51afd7ed558ccdu;
    hash ^= hash >> 33;
  }
  return Letters(hash, kMarkLength);
}

std::string TempNameWith(const std::string& random, const struct stat& st) {
  return kTempPrefix + random + Mark(random, st);
}

constexpr int kNameAttempts = 100;

// Whether `name` in the directory `dirFd` is the open file `fd`.
bool NameLeadsTo(int dirFd, const char* name, int fd) {
  struct stat byName {};
  struct stat byFd {};
  return ::fstatat(dirFd, name, &byName, AT_SYMLINK_NOFOLLOW) == 0 && ::fstat(fd, &byFd) == 0 &&
         byName.st_dev == byFd.st_dev && byName.st_ino == byFd.st_ino;
}

// Renames `from` to `to` in `dirFd` unless `to` exists (EEXIST). Where the filesystem cannot
// say so in one step, a name of six random letters taken meanwhile is a risk worth taking.
bool RenameIfFree(int dirFd, const char* from, const char* to) {
  if (::renameat2(dirFd, from, dirFd, to, RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
  struct stat st {};
  if (::fstatat(dirFd, to, &st, AT_SYMLINK_NOFOLLOW) == 0) {
    errno = EEXIST;
    return false;
  }
  return errno == ENOENT && ::renameat(dirFd, from, dirFd, to) == 0;
}

// Locks `fd` for as long as it is open; false only when another process holds it. A
// filesystem without locks cannot tell a live file from a stale one, and no sweep removes
// anything there.
bool HoldLocked(int fd) { return ::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK; }

}  // namespace

std::string TempNameFor(const struct stat& st) { return TempNameWith(RandomLetters(), st); }

bool IsTempNameOf(std::string_view name, const struct stat& st) {
  if (name.size() != kTempNameLength || !name.starts_with(kTempPrefix)) return false;
  const std::string random(name.substr(sizeof kTempPrefix - 1, kRandomLength));
  return name == TempNameWith(random, st);
}

ReplacementFile::ReplacementFile(int dirFd, mode_t mode, Start start) : m_dirFd(dirFd) {
  if (start == Start::kNamed) {
    CreateNamed(mode);
    return;
  }
  m_fd = UniqueFd(::openat(dirFd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode));
  if (m_fd.Valid()) {
    HoldLocked(m_fd.Get());  // nobody else can see an unnamed file yet
    if (::fstat(m_fd.Get(), &m_status) != 0) {
      m_error = errno;
      m_fd.Reset();
    }
    return;
  }
  m_error = errno;
  // Filesystems without unnamed files say so in one of these ways.
  if (m_error == EOPNOTSUPP || m_error == EISDIR || m_error == EINVAL) CreateNamed(mode);
}

ReplacementFile::~ReplacementFile() {
  m_fd.Reset();
  if (!m_name.empty()) ::unlinkat(m_dirFd, m_name.c_str(), 0);
}

bool ReplacementFile::CreateNamed(mode_t mode) {
  // The file is made under a name no sweep takes, locked, and then given its marked name,
  // which depends on its inode.
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string made = kTempPrefix + RandomLetters();
    m_fd = UniqueFd(
        ::openat(m_dirFd, made.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
    if (!m_fd.Valid()) {
      m_error = errno;
      if (m_error == EEXIST) continue;
      return false;
    }
    HoldLocked(m_fd.Get());
    std::string name;
    if (::fstat(m_fd.Get(), &m_status) == 0) {
      name = TempNameFor(m_status);
      if (RenameIfFree(m_dirFd, made.c_str(), name.c_str())) {
        m_name = std::move(name);
        m_error = 0;
        return true;
      }
    }
    m_error = errno;
    ::unlinkat(m_dirFd, made.c_str(), 0);
    m_fd.Reset();
    if (m_error != EEXIST) return false;
  }
  return false;
}

bool ReplacementFile::SetOwner(uid_t uid, gid_t gid) {
  if (m_status.st_uid == uid && m_status.st_gid == gid) return true;
  if (::fchown(m_fd.Get(), uid, gid) != 0) return false;
  m_status.st_uid = uid;
  m_status.st_gid = gid;
  return true;
}

bool ReplacementFile::Link() {
  if (!m_name.empty()) return true;
  const struct stat& st = m_status;
  const std::string self = "/proc/self/fd/" + std::to_string(m_fd.Get());
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string name = TempNameFor(st);
    int linked = ::linkat(AT_FDCWD, self.c_str(), m_dirFd, name.c_str(), AT_SYMLINK_FOLLOW);
    // Without /proc only a privileged process can name an open file.
    if (linked != 0 && errno == ENOENT) {
      linked = ::linkat(m_fd.Get(), "", m_dirFd, name.c_str(), AT_EMPTY_PATH);
    }
    if (linked == 0) {
      m_name = std::move(name);
      return true;
    }
    m_error = errno;
    if (m_error != EEXIST) return false;
  }
  return false;
}

void RemoveStaleReplacementFiles(int dirFd) {
  UniqueFd listFd(::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  DIR* dir = listFd.Valid() ? ::fdopendir(listFd.Get()) : nullptr;
  if (dir == nullptr) return;
  listFd.Release();  // the stream owns it now
  const uid_t self = ::geteuid();
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name.size() != kTempNameLength || !name.starts_with(kTempPrefix)) continue;
    UniqueFd fd(::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != self ||
        st.st_nlink != 1 || !IsTempNameOf(name, st)) {
      continue;
    }
    // A live run holds its file locked; the name must still be the file that was looked at.
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) == 0 && NameLeadsTo(dirFd, entry->d_name, fd.Get())) {
      ::unlinkat(dirFd, entry->d_name, 0);
    }
  }
  ::closedir(dir);
}

void StaleFileSweep::Once(int dirFd) {
  struct stat st {};
  if (::fstat(dirFd, &st) == 0 && m_swept.insert(FileIdOf(st)).second) {
    RemoveStaleReplacementFiles(dirFd);
  }
}

#ifdef PISMOVAR_HAVE_LIBURING
struct SyncBatch::Ring {
  // As many in flight as a batch of files holds; a longer list goes in turns.
  static constexpr unsigned kInFlight = 64;
  io_uring ring{};
  ~Ring() { ::io_uring_queue_exit(&ring); }
};
#else
struct SyncBatch::Ring {};
#endif

SyncBatch::SyncBatch() = default;
SyncBatch::~SyncBatch() = default;

bool SyncBatch::Run(std::span<const int> fds, bool dataOnly, std::span<int> errors) {
#ifdef PISMOVAR_HAVE_LIBURING
  if (fds.empty()) return true;
  if (m_unavailable) return false;
  if (!m_ring) {
    auto ring = std::make_unique<Ring>();
    if (::io_uring_queue_init(Ring::kInFlight, &ring->ring, 0) != 0) {
      m_unavailable = true;
      return false;
    }
    m_ring = std::move(ring);
  }
  io_uring* ring = &m_ring->ring;
  std::fill(errors.begin(), errors.end(), EINPROGRESS);
  for (std::size_t start = 0; start < fds.size(); start += Ring::kInFlight) {
    const std::size_t count = std::min<std::size_t>(Ring::kInFlight, fds.size() - start);
    for (std::size_t i = start; i < start + count; ++i) {
      io_uring_sqe* sqe = ::io_uring_get_sqe(ring);
      ::io_uring_prep_fsync(sqe, fds[i], dataOnly ? IORING_FSYNC_DATASYNC : 0);
      ::io_uring_sqe_set_data64(sqe, i);
    }
    // One call queues the batch and waits for all of it; a signal during the wait still
    // counts what was queued, and the rest is waited for below.
    int submitted = 0;
    do {
      submitted = ::io_uring_submit_and_wait(ring, static_cast<unsigned>(count));
    } while (submitted == -EINTR);
    // Nothing queued at all (a sandbox lets the ring be made but not used): the caller
    // flushes another way from now on.
    if (submitted <= 0 && start == 0) {
      m_ring.reset();
      m_unavailable = true;
      return false;
    }
    for (int done = 0; done < submitted;) {
      io_uring_cqe* cqe = nullptr;
      const int waited = ::io_uring_wait_cqe(ring, &cqe);
      if (waited == -EINTR) continue;  // the operations run on; their results are still due
      if (waited != 0) break;
      const auto i = static_cast<std::size_t>(::io_uring_cqe_get_data64(cqe));
      errors[i] = cqe->res < 0 ? -cqe->res : 0;
      ::io_uring_cqe_seen(ring, cqe);
      ++done;
    }
    if (submitted != static_cast<int>(count)) {
      // What the ring did not take would go with the next batch: it starts afresh.
      m_ring.reset();
      break;
    }
  }
  // Whatever the ring could not take, or a kernel without the operation, is flushed alone.
  for (std::size_t i = 0; i < fds.size(); ++i) {
    if (errors[i] != EINPROGRESS && errors[i] != EINVAL && errors[i] != EOPNOTSUPP) continue;
    errors[i] = (dataOnly ? ::fdatasync(fds[i]) : ::fsync(fds[i])) == 0 ? 0 : errno;
  }
  return true;
#else
  (void)fds;
  (void)dataOnly;
  (void)errors;
  (void)m_unavailable;
  (void)m_ring;
  return false;
#endif
}

ssize_t ReadFull(int fd, void* buffer, std::size_t size) {
  auto* out = static_cast<char*>(buffer);
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = ::read(fd, out + got, size - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(got);
}

bool WriteAll(int fd, const void* data, std::size_t size) {
  const auto* in = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, in, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    in += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

std::string BaseNameOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace pismovar
