// POSIX side of the platform seam (the native build and its tests).
#include <dirent.h>
#include <fcntl.h>
#include <openssl/crypto.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/files.h"
#include "platform/paths.h"
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
  Fd fd(OpenChecked(path, O_RDONLY));
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) Fail(path, "read", errno);
  if (S_ISDIR(st.st_mode)) throw FileError(path, "cannot read (it is a folder)");
  if (static_cast<std::uint64_t>(st.st_size) > limit) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
  ReadAll(fd.get(), path, bytes.data(), bytes.size(), 0);
  return bytes;
}

void ReplaceFileContent(const std::string& path, std::string_view bytes) {
  static std::atomic<unsigned long> serial{0};
  struct stat old {};
  const bool replacing = ::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode);
  // A name of our own, created exclusively: a link or file planted at the name is never
  // followed or reused (the next name is taken), and two writers never share a sibling.
  std::string sibling;
  int created = -1;
  for (int attempt = 1; created < 0; ++attempt) {
    sibling = path + "." + std::to_string(::getpid()) + "-" + std::to_string(serial++) + ".tmp";
    Check(FileOp::Open, sibling);
    created = ::open(sibling.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, replacing ? 0600 : 0644);
    if (created < 0 && (errno != EEXIST || attempt >= 100)) Fail(sibling, "create", errno);
  }
  try {
    {
      Fd fd(created);
      if (replacing) {
        // The file's protection is all that guards a card's password: the new content
        // keeps the old file's mode and, where we may give it, its owner and group.
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) (void)::fchown(fd.get(), old.st_uid, old.st_gid);
        if (::fchmod(fd.get(), old.st_mode & 07777) != 0) Fail(sibling, "set the mode of", errno);
      }
      WriteAll(fd.get(), sibling, bytes, 0);
      FlushChecked(fd.get(), sibling);
    }
    Check(FileOp::Rename, path);
    if (::rename(sibling.c_str(), path.c_str()) != 0) Fail(path, "replace", errno);
  } catch (const FileError&) {
    ::unlink(sibling.c_str());
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

void TouchFile(const std::string& path) { Fd fd(OpenChecked(path, O_RDONLY | O_CREAT)); }

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

SharedFile::SharedFile(const std::string& path) : m_path(path), m_handle(OpenChecked(path, O_RDWR | O_CREAT)) {}

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
  WriteAll(static_cast<int>(m_handle), m_path, bytes, static_cast<off_t>(offset));
}

void SharedFile::Append(std::string_view bytes) {
  const int fd = static_cast<int>(m_handle);
  Check(FileOp::Write, m_path);
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_APPEND) != 0) Fail(m_path, "append to", errno);
  ssize_t n;
  do {
    n = ::write(fd, bytes.data(), bytes.size());
  } while (n < 0 && errno == EINTR);
  const int error = errno;
  ::fcntl(fd, F_SETFL, flags);
  if (n < 0) Fail(m_path, "write", error);
  if (static_cast<std::size_t>(n) != bytes.size()) throw FileError(m_path, "cannot write (the disk is full)");
}

void SharedFile::Truncate(std::uint64_t length) {
  Check(FileOp::Write, m_path);
  if (::ftruncate(static_cast<int>(m_handle), static_cast<off_t>(length)) != 0) Fail(m_path, "truncate", errno);
}

void SharedFile::Flush() { FlushChecked(static_cast<int>(m_handle), m_path); }

ReadOnlyFile::ReadOnlyFile(const std::string& path) : m_path(path), m_handle(OpenChecked(path, O_RDONLY)) {
  struct stat st {};
  const bool folder = ::fstat(static_cast<int>(m_handle), &st) == 0 && S_ISDIR(st.st_mode);
  if (folder) {
    ::close(static_cast<int>(m_handle));
    throw FileError(path, "cannot read (it is a folder)");
  }
}

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
