// POSIX side of the platform seam (the native build and its tests).
#include <dirent.h>
#include <fcntl.h>
#include <openssl/crypto.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <utility>

#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/sibling_names.h"
#include "platform/wildcard.h"

namespace platform {
namespace {

[[noreturn]] void Fail(const std::string& path, const char* what, int error) {
  throw FileError(path, std::string("cannot ") + what + " (" + std::strerror(error) + ")");
}

void Check(FileOp op, const std::string& path) {
  if (ShouldFail(op, path)) Fail(path, FileOpName(op), EIO);
}

class Fd {
 public:
  explicit Fd(int fd) : m_fd(fd) {}
  ~Fd() {
    if (m_fd >= 0) ::close(m_fd);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return m_fd; }

 private:
  int m_fd;
};

int OpenChecked(const std::string& path, int flags) {
  Check(FileOp::Open, path);
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
  if (fd < 0) Fail(path, "open", errno);
  return fd;
}

// Opens an existing file for reading without ever waiting: a named pipe or a device
// named like one of our files would otherwise hold the command (and the folder's turn)
// until someone writes to it. Anything but a regular file is refused.
int OpenRegularForReading(const std::string& path) {
  const int fd = OpenChecked(path, O_RDONLY | O_NONBLOCK);
  struct stat st {};
  const int error = ::fstat(fd, &st) == 0 ? 0 : errno;
  if (error == 0 && S_ISREG(st.st_mode)) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
  }
  ::close(fd);
  if (error != 0) Fail(path, "read", error);
  throw FileError(path, S_ISDIR(st.st_mode) ? "cannot read (it is a folder)" : "cannot read (not a regular file)");
}

void WriteAll(int fd, const std::string& path, std::string_view bytes, off_t offset) {
  Check(FileOp::Write, path);
  while (!bytes.empty()) {
    const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), offset);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(path, "write", errno);
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
    offset += n;
  }
}

void ReadAll(int fd, const std::string& path, char* buffer, std::size_t n, off_t offset) {
  Check(FileOp::Read, path);
  while (n > 0) {
    const ssize_t got = ::pread(fd, buffer, n, offset);
    if (got < 0) {
      if (errno == EINTR) continue;
      Fail(path, "read", errno);
    }
    if (got == 0) throw FileError(path, "cannot read (file is shorter than expected)");
    buffer += got;
    n -= static_cast<std::size_t>(got);
    offset += got;
  }
}

void FlushChecked(int fd, const std::string& path) {
  Check(FileOp::Flush, path);
  if (::fsync(fd) != 0) Fail(path, "flush", errno);
}

}  // namespace

bool PathExists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ReadWholeFile(const std::string& path) {
  return *ReadWholeFileUpTo(path, static_cast<std::uint64_t>(SIZE_MAX));
}

std::optional<std::string> ReadWholeFileUpTo(const std::string& path, std::uint64_t limit) {
  Fd fd(OpenRegularForReading(path));
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) Fail(path, "read", errno);
  if (static_cast<std::uint64_t>(st.st_size) > limit) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
  ReadAll(fd.get(), path, bytes.data(), bytes.size(), 0);
  return bytes;
}

std::uint64_t FileSize(const std::string& path) {
  Fd fd(OpenChecked(path, O_RDONLY));
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) Fail(path, "read", errno);
  return static_cast<std::uint64_t>(st.st_size);
}

namespace {

std::string FolderOf(const std::string& path) {
  const std::size_t cut = path.find_last_of('/');
  return cut == std::string::npos ? "./" : path.substr(0, cut + 1);
}

std::string NameOf(const std::string& path) {
  const std::size_t cut = path.find_last_of('/');
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

constexpr char kAccessListName[] = "system.posix_acl_access";

// The replaced file's group and access list, given to the sibling; what cannot be given
// is refused, so that a rewrite never hands the file to other people.
void KeepProtection(int fd, const std::string& path, const struct stat& old) {
  if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
    // Only a privileged writer may give the file its owner; a member of the file's group
    // may still give it that group.
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) (void)::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    struct stat now {};
    if (::fstat(fd, &now) != 0) Fail(path, "rewrite", errno);
    const bool groupMatters = ((old.st_mode >> 3) & 07) != (old.st_mode & 07);
    if (now.st_gid != old.st_gid && groupMatters) {
      throw FileError(path, "cannot rewrite (its group " + std::to_string(old.st_gid) +
                                " could not be kept, and a new group would change who may read it; left as it is)");
    }
  }
  if (::fchmod(fd, old.st_mode & 07777) != 0) Fail(path, "set the mode of the new content of", errno);
  // The access list after the mode: the mode's group bits are the list's mask then.
  std::string list(256, '\0');
  ssize_t n = ::getxattr(path.c_str(), kAccessListName, list.data(), list.size());
  if (n < 0 && errno == ERANGE) {
    n = ::getxattr(path.c_str(), kAccessListName, nullptr, 0);
    if (n > 0) {
      list.resize(static_cast<std::size_t>(n));
      n = ::getxattr(path.c_str(), kAccessListName, list.data(), list.size());
    }
  }
  if (n < 0) {
    if (errno == ENODATA || errno == ENOTSUP) return;  // no list, or none possible here
    Fail(path, "read the access list of", errno);
  }
  if (::fsetxattr(fd, kAccessListName, list.data(), static_cast<std::size_t>(n), 0) != 0) {
    throw FileError(path, std::string("cannot rewrite (its access list could not be kept: ") + std::strerror(errno) +
                              "; left as it is)");
  }
}

std::size_t NameLimit(const std::string& folder) {
  const long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
  return limit > 0 ? static_cast<std::size_t>(limit) : 255;
}

}  // namespace

std::string SiblingStemOf(const std::string& path) {
  return FolderOf(path) + SiblingStem(NameOf(path), NameLimit(FolderOf(path)));
}

std::vector<std::string> RemoveLeftoverSiblings(const std::string& path) {
  const std::string folder = FolderOf(path);
  const std::string stem = SiblingStem(NameOf(path), NameLimit(folder));
  std::vector<std::string> kept;
  for (const DirectoryEntry& entry : ListDirectory(folder, stem + ".*-*.tmp")) {
    if (entry.isDirectory || !IsSiblingName(entry.name, stem, false)) continue;
    if (!RemoveFile(folder + entry.name)) kept.push_back(folder + entry.name);
  }
  return kept;
}

void ReplaceFileContent(const std::string& path, std::string_view bytes, NewFile newFile) {
  static std::atomic<unsigned long> serial{0};
  struct stat old {};
  const bool replacing = ::stat(path.c_str(), &old) == 0;
  if (replacing && !S_ISREG(old.st_mode)) throw FileError(path, "cannot rewrite (not a regular file; left as it is)");
  // Whatever could not be removed is no reason to refuse the rewrite; a reset names it.
  (void)RemoveLeftoverSiblings(path);
  // A name of our own, created exclusively: a link or file planted at the name is never
  // followed or reused (the next name is taken), and two writers never share a sibling.
  const std::string stem = SiblingStemOf(path);
  const mode_t createdMode = replacing || newFile == NewFile::Private ? 0600 : 0644;
  std::string sibling;
  int created = -1;
  for (int attempt = 1; created < 0; ++attempt) {
    sibling = stem + "." + std::to_string(::getpid()) + "-" + std::to_string(serial++) + ".tmp";
    Check(FileOp::Open, sibling);
    created = ::open(sibling.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, createdMode);
    if (created < 0 && (errno != EEXIST || attempt >= 100)) Fail(path, "create the new content of", errno);
  }
  try {
    {
      Fd fd(created);
      // The file's protection is all that guards a card's password: the new content
      // keeps the old file's mode, owner or group, and access list.
      if (replacing) KeepProtection(fd.get(), path, old);
      WriteAll(fd.get(), sibling, bytes, 0);
      FlushChecked(fd.get(), sibling);
    }
    Check(FileOp::Rename, path);
    if (::rename(sibling.c_str(), path.c_str()) != 0) Fail(path, "replace", errno);
  } catch (const FileError& e) {
    ::unlink(sibling.c_str());
    if (e.path() == sibling) throw FileError(path, e.reason());
    throw;
  }
}

RewriteLock::RewriteLock(const std::string& path) : m_handle(-1) {
  const std::size_t cut = path.find_last_of('/');
  const std::string folder = cut == std::string::npos ? "." : path.substr(0, cut + 1);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) Fail(path, "open the folder of", errno);
  for (unsigned waited = 0;; waited += 10) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) break;
    const int error = errno;
    if ((error != EWOULDBLOCK && error != EINTR) || waited >= kRewriteLockWaitMs) {
      ::close(fd);
      if (error == EWOULDBLOCK) throw RewriteLockTimedOut(path);
      Fail(path, "lock", error);
    }
    ::usleep(10000);
  }
  m_handle = fd;
}

RewriteLock::~RewriteLock() { ::close(static_cast<int>(m_handle)); }  // closing releases the lock

void WipeMemory(void* data, std::size_t n) { OPENSSL_cleanse(data, n); }

bool RemoveFile(const std::string& path) {
  if (ShouldFail(FileOp::Delete, path)) return false;
  return ::unlink(path.c_str()) == 0;
}

bool MakeDirectory(const std::string& path) { return ::mkdir(path.c_str(), 0755) == 0; }

// Without waiting: a named pipe at the name is opened and closed at once.
void TouchFile(const std::string& path) { Fd fd(OpenChecked(path, O_RDONLY | O_CREAT | O_NONBLOCK)); }

std::vector<DirectoryEntry> ListDirectory(const std::string& folder, const std::string& pattern) {
  std::vector<DirectoryEntry> entries;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return entries;
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name == "." || name == ".." || !WildcardMatch(pattern, name)) continue;
    // The entry tells its kind, as a Windows directory search does; only where the file
    // system leaves it open (or for a link, which counts as what it points to) is the
    // entry looked at: a card list of thousands of files needs no second call per file.
    const bool known = e->d_type != DT_UNKNOWN && e->d_type != DT_LNK;
    entries.push_back({name, known ? e->d_type == DT_DIR : IsDirectory(folder + name)});
  }
  ::closedir(dir);
  return entries;
}

SharedFile::SharedFile(std::string path, Writes writes)
    : m_path(std::move(path)),
      m_handle(OpenChecked(m_path, O_RDWR | O_CREAT | (writes == Writes::AtTheEndOnly ? O_APPEND : 0))),
      m_writes(writes) {}

SharedFile::~SharedFile() { ::close(static_cast<int>(m_handle)); }

std::uint64_t SharedFile::Size() {
  struct stat st {};
  if (::fstat(static_cast<int>(m_handle), &st) != 0) Fail(m_path, "read", errno);
  return static_cast<std::uint64_t>(st.st_size);
}

void SharedFile::ReadAt(std::uint64_t offset, char* buffer, std::size_t n) {
  ReadAll(static_cast<int>(m_handle), m_path, buffer, n, static_cast<off_t>(offset));
}

void SharedFile::WriteAt(std::uint64_t offset, std::string_view bytes) {
  if (m_writes == Writes::AtTheEndOnly)
    throw std::logic_error(m_path + ": a write at an offset on a handle that appends");
  WriteAll(static_cast<int>(m_handle), m_path, bytes, static_cast<off_t>(offset));
}

void SharedFile::Append(std::string_view bytes) {
  const int fd = static_cast<int>(m_handle);
  Check(FileOp::Write, m_path);
  // A handle that writes at offsets appends for this one write only.
  const bool atOffsets = m_writes == Writes::AtOffsets;
  const int flags = atOffsets ? ::fcntl(fd, F_GETFL) : 0;
  if (atOffsets && (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_APPEND) != 0)) Fail(m_path, "append to", errno);
  ssize_t n;
  do {
    n = ::write(fd, bytes.data(), bytes.size());
  } while (n < 0 && errno == EINTR);
  const int error = errno;
  if (atOffsets) ::fcntl(fd, F_SETFL, flags);
  if (n < 0) Fail(m_path, "write", error);
  if (static_cast<std::size_t>(n) != bytes.size()) throw FileError(m_path, "cannot write (the disk is full)");
}

void SharedFile::Truncate(std::uint64_t length) {
  Check(FileOp::Write, m_path);
  if (::ftruncate(static_cast<int>(m_handle), static_cast<off_t>(length)) != 0) Fail(m_path, "truncate", errno);
}

void SharedFile::Flush() { FlushChecked(static_cast<int>(m_handle), m_path); }

void SharedFile::HoldToAppend() { Hold(false); }

void SharedFile::HoldToRewrite() { Hold(true); }

// A lock of the open file (flock), so it ends with the handle; the folder's turn is
// another lock (RewriteLock) on another file, the folder.
void SharedFile::Hold(bool exclusive) {
  // A second flock would turn the first into the other kind, not wait for it.
  if (m_held) throw std::logic_error(m_path + ": a second hold on one handle");
  const int fd = static_cast<int>(m_handle);
  // The clock is read only once the hold has to wait: most entries never do.
  std::chrono::steady_clock::time_point firstRefused{};
  while (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
    const int error = errno;
    if (error != EWOULDBLOCK && error != EINTR) Fail(m_path, "lock", error);
    const auto now = std::chrono::steady_clock::now();
    if (firstRefused == std::chrono::steady_clock::time_point{})
      firstRefused = now;
    else if (now - firstRefused >= std::chrono::milliseconds(kRewriteLockWaitMs))
      throw RewriteLockTimedOut(m_path);
    ::usleep(1000);
  }
  m_held = true;
}

ReadOnlyFile::ReadOnlyFile(const std::string& path) : m_path(path), m_handle(OpenRegularForReading(path)) {}

ReadOnlyFile::~ReadOnlyFile() { ::close(static_cast<int>(m_handle)); }

std::size_t ReadOnlyFile::ReadSomeAt(std::uint64_t offset, char* buffer, std::size_t n) {
  Check(FileOp::Read, m_path);
  for (;;) {
    const ssize_t got = ::pread(static_cast<int>(m_handle), buffer, n, static_cast<off_t>(offset));
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR) Fail(m_path, "read", errno);
  }
}

char PathSeparator() { return '/'; }

std::string ProgramDirectory() {
  char buffer[4096] = {};
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return DirectoryOf(n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string());
}

std::string TempDirectory() {
  const char* dir = std::getenv("TMPDIR");
  std::string text = dir != nullptr && *dir != '\0' ? dir : "/tmp";
  if (text.back() != '/') text += '/';
  return text;
}

LocalTime Now() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  ::localtime_r(&now, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::string ToolDefaultDirectory() { return "./"; }

bool HasFixedProductFolders() { return false; }

void LoadDllsFromSystemFolderOnly() {}

// POSIX streams never translate line ends.
void MakeStandardInputBinary() {}

void MakeStandardOutputBinary() {}

}  // namespace platform
