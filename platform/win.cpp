// Windows side of the platform seam.
#include <windows.h>
#include <sddl.h>

#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>

#include "platform/clock.h"
#include "platform/fault.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/sibling_names.h"
#include "platform/system_message.h"

namespace platform {

std::string SystemMessage(unsigned long error) {
  char* text = nullptr;
  const DWORD n =
      FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = n > 0 ? std::string(text, n) : std::string();
  LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
    message.pop_back();
  return message.empty() ? "error " + std::to_string(error) : message;
}

namespace {

[[noreturn]] void Fail(const std::string& path, const char* what, DWORD error) {
  throw FileError(path, std::string("cannot ") + what + " (" + SystemMessage(error) + ")");
}

void Check(FileOp op, const std::string& path) {
  if (ShouldFail(op, path)) Fail(path, FileOpName(op), ERROR_WRITE_FAULT);
}

class Handle {
 public:
  explicit Handle(HANDLE h) : m_h(h) {}
  ~Handle() {
    if (m_h != INVALID_HANDLE_VALUE) CloseHandle(m_h);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return m_h; }
  HANDLE release() {
    HANDLE h = m_h;
    m_h = INVALID_HANDLE_VALUE;
    return h;
  }

 private:
  HANDLE m_h;
};

// Readers share delete access too, so that a writer can replace the file under them.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The service may hold a file open for a moment without sharing it (its file class reads
// that way). An open or a replace that meets it fails with a sharing error and is tried
// again every 10 ms for up to 2 s.
constexpr int kBusyAttempts = 200;
constexpr DWORD kBusyWaitMs = 10;

bool SharingError(DWORD error) { return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION; }

HANDLE OpenChecked(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
  Check(FileOp::Open, path);
  for (int attempt = 1;; ++attempt) {
    HANDLE h = CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) return h;
    const DWORD error = GetLastError();
    if (!SharingError(error) || attempt >= kBusyAttempts) Fail(path, "open", error);
    Sleep(kBusyWaitMs);
  }
}

// Opens an existing file for reading. Anything but a file on a disk (a pipe, a device
// named like one of our files) is refused rather than waited on.
HANDLE OpenRegularForReading(const std::string& path) {
  HANDLE h = OpenChecked(path, GENERIC_READ, kShareAll, OPEN_EXISTING);
  if (GetFileType(h) == FILE_TYPE_DISK) return h;
  CloseHandle(h);
  throw FileError(path, "cannot read (not a regular file)");
}

void Seek(HANDLE h, const std::string& path, std::uint64_t offset) {
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(h, to, nullptr, FILE_BEGIN)) Fail(path, "seek", GetLastError());
}

void WriteAll(HANDLE h, const std::string& path, std::string_view bytes) {
  Check(FileOp::Write, path);
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(bytes.size() > (1u << 30) ? (1u << 30) : bytes.size());
    DWORD written = 0;
    if (!WriteFile(h, bytes.data(), chunk, &written, nullptr)) Fail(path, "write", GetLastError());
    bytes.remove_prefix(written);
  }
}

void ReadAll(HANDLE h, const std::string& path, char* buffer, std::size_t n) {
  Check(FileOp::Read, path);
  while (n > 0) {
    const DWORD chunk = static_cast<DWORD>(n > (1u << 30) ? (1u << 30) : n);
    DWORD got = 0;
    if (!ReadFile(h, buffer, chunk, &got, nullptr)) Fail(path, "read", GetLastError());
    if (got == 0) throw FileError(path, "cannot read (file is shorter than expected)");
    buffer += got;
    n -= got;
  }
}

void FlushChecked(HANDLE h, const std::string& path) {
  Check(FileOp::Flush, path);
  if (!FlushFileBuffers(h)) Fail(path, "flush", GetLastError());
}

}  // namespace

bool PathExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string ReadWholeFile(const std::string& path) {
  return *ReadWholeFileUpTo(path, static_cast<std::uint64_t>(SIZE_MAX));
}

std::optional<std::string> ReadWholeFileUpTo(const std::string& path, std::uint64_t limit) {
  Handle h(OpenRegularForReading(path));
  LARGE_INTEGER size;
  if (!GetFileSizeEx(h.get(), &size)) Fail(path, "read", GetLastError());
  if (static_cast<std::uint64_t>(size.QuadPart) > limit) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  ReadAll(h.get(), path, bytes.data(), bytes.size());
  return bytes;
}

std::uint64_t FileSize(const std::string& path) {
  Handle h(OpenChecked(path, GENERIC_READ, kShareAll, OPEN_EXISTING));
  LARGE_INTEGER size;
  if (!GetFileSizeEx(h.get(), &size)) Fail(path, "read", GetLastError());
  return static_cast<std::uint64_t>(size.QuadPart);
}

namespace {

// Windows names have at most 255 characters (counting bytes keeps within that), and the
// ANSI file functions take whole paths of at most MAX_PATH - 1 characters.
std::size_t NameLimit(const std::string& folder) {
  constexpr std::size_t kNameLimit = 255, kPathLimit = MAX_PATH - 1;
  const std::size_t room = folder.size() < kPathLimit ? kPathLimit - folder.size() : 0;
  return room < kNameLimit ? room : kNameLimit;
}

std::string FolderOf(const std::string& path) {
  const std::size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// A sibling of a name of our own, created exclusively (CREATE_NEW never opens what is
// there, a link included): two writers never share one, and a planted file is skipped.
HANDLE CreateSibling(const std::string& path, std::string& sibling) {
  static std::atomic<unsigned long> serial{0};
  const std::string stem = SiblingStemOf(path);
  for (int attempt = 1;; ++attempt) {
    sibling = stem + "." + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(serial++) + ".tmp";
    Check(FileOp::Open, sibling);
    HANDLE h = CreateFileA(sibling.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) return h;
    const DWORD error = GetLastError();
    if ((error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) || attempt >= 100)
      Fail(path, "create the new content of", error);
  }
}

// ReplaceFileA keeps the replaced file's security descriptor, attributes and streams;
// a file that is not there yet is simply given the sibling's name.
bool PutInPlace(const std::string& sibling, const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return MoveFileExA(sibling.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
  // Wine's ReplaceFileA keeps neither the access list nor the attributes: both are given
  // to the sibling first, which changes nothing where ReplaceFileA keeps them itself.
  DWORD needed = 0;
  GetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
  std::string descriptor(needed, '\0');
  if (needed > 0 && GetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, &descriptor[0], needed, &needed))
    SetFileSecurityA(sibling.c_str(), DACL_SECURITY_INFORMATION, &descriptor[0]);
  constexpr DWORD kKept =
      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  if ((attributes & kKept) != 0) SetFileAttributesA(sibling.c_str(), attributes & kKept);
  return ReplaceFileA(path.c_str(), sibling.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0;
}

}  // namespace

std::string SiblingStemOf(const std::string& path) {
  const std::string folder = FolderOf(path);
  return folder + SiblingStem(path.substr(folder.size()), NameLimit(folder));
}

std::vector<std::string> RemoveLeftoverSiblings(const std::string& path) {
  const std::string folder = FolderOf(path);
  const std::string stem = SiblingStem(path.substr(folder.size()), NameLimit(folder));
  std::vector<std::string> kept;
  for (const DirectoryEntry& entry : ListDirectory(folder, stem + ".*-*.tmp")) {
    // The search also matches short 8.3 names; only the long name counts.
    if (entry.isDirectory || !IsSiblingName(entry.name, stem, true)) continue;
    if (!RemoveFile(folder + entry.name)) kept.push_back(folder + entry.name);
  }
  return kept;
}

// New files take the folder's inheritable access list on Windows, which is what both
// kinds of file want: the product folder's list is set up for the service's account.
void ReplaceFileContent(const std::string& path, std::string_view bytes, NewFile) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    throw FileError(path, "cannot rewrite (not a regular file; left as it is)");
  // Whatever could not be removed is no reason to refuse the rewrite; a reset names it.
  (void)RemoveLeftoverSiblings(path);
  std::string sibling;
  Handle created(CreateSibling(path, sibling));
  try {
    WriteAll(created.get(), sibling, bytes);
    FlushChecked(created.get(), sibling);
    CloseHandle(created.release());
    Check(FileOp::Rename, path);
    // A file held open without delete sharing refuses the replace with access denied
    // (or, through ReplaceFileA, with "unable to remove the replaced file").
    for (int attempt = 1;; ++attempt) {
      if (PutInPlace(sibling, path)) break;
      const DWORD error = GetLastError();
      const bool busy = SharingError(error) || error == ERROR_ACCESS_DENIED || error == ERROR_UNABLE_TO_REMOVE_REPLACED;
      if (!busy || attempt >= kBusyAttempts) Fail(path, "replace", error);
      Sleep(kBusyWaitMs);
    }
  } catch (const FileError& e) {
    if (created.get() != INVALID_HANDLE_VALUE) CloseHandle(created.release());
    DeleteFileA(sibling.c_str());
    if (e.path() == sibling) throw FileError(path, e.reason());
    throw;
  }
}

namespace {

// The long form of a full path, so that a writer naming a folder by its 8.3 short name
// meets the others; for a file not made yet, the long form of its folder. The short
// names the system makes for long names all hold a '~', so a path without one is its own
// long form, and the look-up (a search per folder of the path: under Wine 130 of the
// 160 µs a whole turn takes) is left out for it.
std::string LongForm(const std::string& full) {
  if (full.find('~') == std::string::npos) return full;
  char longer[32768];
  DWORD n = GetLongPathNameA(full.c_str(), longer, sizeof longer);
  if (n > 0 && n < sizeof longer) return std::string(longer, n);
  const std::string folder = DirectoryOf(full);
  n = GetLongPathNameA(folder.c_str(), longer, sizeof longer);
  if (n == 0 || n >= sizeof longer) return full;
  std::string longFolder(longer, n);
  if (longFolder.back() != '\\') longFolder += '\\';
  return longFolder + full.substr(folder.size());
}

// The lock's name: the file's full long path, upper-cased (names are compared without
// regard to case), hashed with FNV-1a, in the global namespace so that the tray
// programs of every log-on session and quandorctl meet on it.
std::string RewriteLockName(const std::string& path) {
  char full[32768];
  const DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  std::string text = LongForm(n > 0 && n < sizeof full ? std::string(full, n) : path);
  CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  char name[64];
  wsprintfA(name, "Global\\QuandorRewrite-%08lX%08lX", static_cast<unsigned long>(hash >> 32),
            static_cast<unsigned long>(hash & 0xFFFFFFFFu));
  return name;
}

}  // namespace

RewriteLock::RewriteLock(const std::string& path) : m_handle(0) {
  const std::string name = RewriteLockName(path);
  // Every user may wait for and release the mutex, whoever made it first: the tray
  // programs of other users and a quandorctl run by an administrator share it.
  // The descriptor is made once for the process (and never freed: the system frees it
  // at the end); a failed conversion leaves the mutex the default protection.
  static const PSECURITY_DESCRIPTOR everyoneMayWait = [] {
    constexpr char kEveryoneMayWait[] = "D:(A;;0x00100001;;;WD)(A;;GA;;;SY)(A;;GA;;;BA)";  // SYNCHRONIZE | MODIFY_STATE
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kEveryoneMayWait, SDDL_REVISION_1, &descriptor, nullptr))
      descriptor = nullptr;
    return descriptor;
  }();
  SECURITY_ATTRIBUTES sa{sizeof sa, everyoneMayWait, FALSE};
  HANDLE mutex = CreateMutexA(everyoneMayWait != nullptr ? &sa : nullptr, FALSE, name.c_str());
  if (mutex == nullptr && GetLastError() == ERROR_ACCESS_DENIED)
    mutex = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name.c_str());
  if (mutex == nullptr) Fail(path, "lock", GetLastError());
  // An abandoned mutex (a writer that ended mid-rewrite) is ours now; its file was
  // replaced all at once or not at all.
  const DWORD wait = WaitForSingleObject(mutex, kRewriteLockWaitMs);
  if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) {
    CloseHandle(mutex);
    if (wait == WAIT_TIMEOUT) throw RewriteLockTimedOut(path);
    Fail(path, "lock", GetLastError());
  }
  m_handle = reinterpret_cast<std::intptr_t>(mutex);
}

RewriteLock::~RewriteLock() {
  HANDLE mutex = reinterpret_cast<HANDLE>(m_handle);
  ReleaseMutex(mutex);
  CloseHandle(mutex);
}

void WipeMemory(void* data, std::size_t n) { SecureZeroMemory(data, n); }

bool RemoveFile(const std::string& path) {
  if (ShouldFail(FileOp::Delete, path)) return false;
  return DeleteFileA(path.c_str()) != 0;
}

bool MakeDirectory(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

void TouchFile(const std::string& path) {
  Handle h(OpenChecked(path, GENERIC_READ | FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS));
}

std::vector<DirectoryEntry> ListDirectory(const std::string& folder, const std::string& pattern) {
  std::vector<DirectoryEntry> entries;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + pattern).c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return entries;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    entries.push_back({name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return entries;
}

namespace {

// The byte the holds lock: far past any length the file reaches, so that the lock, which
// Windows enforces on reads and writes of its range, never stands in a reader's way.
constexpr DWORD kHoldOffsetHigh = 0x7FFFFFFFu;
constexpr DWORD kHoldOffsetLow = 0;

}  // namespace

SharedFile::SharedFile(std::string path, Writes writes)
    : m_path(std::move(path)),
      m_handle(reinterpret_cast<std::intptr_t>(
          OpenChecked(m_path, GENERIC_READ | (writes == Writes::AtTheEndOnly ? FILE_APPEND_DATA : GENERIC_WRITE),
                      FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS))),
      m_writes(writes) {}

SharedFile::~SharedFile() {
  HANDLE h = reinterpret_cast<HANDLE>(m_handle);
  // Closing would release the lock too, but not necessarily at once.
  if (m_held) {
    OVERLAPPED at{};
    at.OffsetHigh = kHoldOffsetHigh;
    at.Offset = kHoldOffsetLow;
    UnlockFileEx(h, 0, 1, 0, &at);
  }
  CloseHandle(h);
}

std::uint64_t SharedFile::Size() {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(reinterpret_cast<HANDLE>(m_handle), &size)) Fail(m_path, "read", GetLastError());
  return static_cast<std::uint64_t>(size.QuadPart);
}

void SharedFile::ReadAt(std::uint64_t offset, char* buffer, std::size_t n) {
  HANDLE h = reinterpret_cast<HANDLE>(m_handle);
  Seek(h, m_path, offset);
  ReadAll(h, m_path, buffer, n);
}

void SharedFile::WriteAt(std::uint64_t offset, std::string_view bytes) {
  if (m_writes == Writes::AtTheEndOnly)
    throw std::logic_error(m_path + ": a write at an offset on a handle that appends");
  HANDLE h = reinterpret_cast<HANDLE>(m_handle);
  Seek(h, m_path, offset);
  WriteAll(h, m_path, bytes);
}

void SharedFile::Append(std::string_view bytes) {
  Check(FileOp::Write, m_path);
  // An offset of all ones writes at the end of the file as it is at that moment.
  OVERLAPPED at{};
  at.Offset = 0xFFFFFFFFu;
  at.OffsetHigh = 0xFFFFFFFFu;
  DWORD written = 0;
  if (!WriteFile(reinterpret_cast<HANDLE>(m_handle), bytes.data(), static_cast<DWORD>(bytes.size()), &written, &at))
    Fail(m_path, "write", GetLastError());
  if (written != bytes.size()) throw FileError(m_path, "cannot write (the disk is full)");
}

void SharedFile::Truncate(std::uint64_t length) {
  HANDLE h = reinterpret_cast<HANDLE>(m_handle);
  Check(FileOp::Write, m_path);
  Seek(h, m_path, length);
  if (!SetEndOfFile(h)) Fail(m_path, "truncate", GetLastError());
}

void SharedFile::Flush() { FlushChecked(reinterpret_cast<HANDLE>(m_handle), m_path); }

// Exclusive: Wine opens the file without O_APPEND, even for FILE_APPEND_DATA alone, and
// a write at the end there reads the length and then writes at it: two appends at once
// were seen to land on each other (the log's two-writer test lost entries).
void SharedFile::HoldToAppend() { Hold(true); }

void SharedFile::HoldToRewrite() { Hold(true); }

// Every hold is exclusive here (see HoldToAppend).
void SharedFile::Hold(bool) {
  if (m_held) throw std::logic_error(m_path + ": a second hold on one handle");
  const DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | LOCKFILE_EXCLUSIVE_LOCK;
  ULONGLONG firstRefused = 0;  // the clock is read only once the hold has to wait
  for (;;) {
    OVERLAPPED at{};
    at.OffsetHigh = kHoldOffsetHigh;
    at.Offset = kHoldOffsetLow;
    if (LockFileEx(reinterpret_cast<HANDLE>(m_handle), flags, 0, 1, 0, &at)) break;
    const DWORD error = GetLastError();
    if (error != ERROR_LOCK_VIOLATION) Fail(m_path, "lock", error);
    const ULONGLONG now = GetTickCount64();
    if (firstRefused == 0)
      firstRefused = now;
    else if (now - firstRefused >= kRewriteLockWaitMs)
      throw RewriteLockTimedOut(m_path);
    Sleep(1);
  }
  m_held = true;
}

ReadOnlyFile::ReadOnlyFile(const std::string& path)
    : m_path(path), m_handle(reinterpret_cast<std::intptr_t>(OpenRegularForReading(path))) {}

ReadOnlyFile::~ReadOnlyFile() { CloseHandle(reinterpret_cast<HANDLE>(m_handle)); }

std::size_t ReadOnlyFile::ReadSomeAt(std::uint64_t offset, char* buffer, std::size_t n) {
  HANDLE h = reinterpret_cast<HANDLE>(m_handle);
  Check(FileOp::Read, m_path);
  Seek(h, m_path, offset);
  const DWORD chunk = static_cast<DWORD>(n > (1u << 30) ? (1u << 30) : n);
  DWORD got = 0;
  if (!ReadFile(h, buffer, chunk, &got, nullptr)) Fail(m_path, "read", GetLastError());
  return got;
}

char PathSeparator() { return '\\'; }

std::string ProgramDirectory() {
  // The whole path, however long: a path cut at 260 characters would name a parent
  // folder, whose "Settings.ini" and sibling program are not ours.
  std::string buffer(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, &buffer[0], static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::string();
    if (n < buffer.size()) {  // a cut path fills the whole buffer
      buffer.resize(n);
      return DirectoryOf(buffer);
    }
    if (buffer.size() >= 32768) return std::string();
    buffer.assign(buffer.size() * 2, '\0');
  }
}

std::string TempDirectory() {
  char buffer[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathA(sizeof buffer, buffer);
  std::string text(buffer, n > 0 && n < sizeof buffer ? n : 0);
  if (text.empty() || text.back() != '\\') text += '\\';
  return text;
}

LocalTime Now() {
  SYSTEMTIME st;
  GetLocalTime(&st);
  return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

std::string ToolDefaultDirectory() { return ProgramDirectory(); }

bool HasFixedProductFolders() { return true; }

void LoadDllsFromSystemFolderOnly() {
  // Fails only for flags it does not know; this one it has known since it exists. The
  // DLLs the loader resolves before this call follow the image's dependent load flags
  // (res/load_config.cpp).
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

void MakeStandardInputBinary() { _setmode(_fileno(stdin), _O_BINARY); }

void MakeStandardOutputBinary() { _setmode(_fileno(stdout), _O_BINARY); }

}  // namespace platform
