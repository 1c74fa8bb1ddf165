// Thin file-system seam for the portable layers. Every primitive goes through the
// fault hook (platform/fault.h) first, so tests can make any one of them fail.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A file that could not be opened, read, written, flushed, renamed or deleted.
class FileError : public std::runtime_error {
 public:
  FileError(std::string path, std::string reason);
  const std::string& path() const { return m_path; }
  const std::string& reason() const { return m_reason; }

 private:
  std::string m_path;
  std::string m_reason;
};

// Plain existence test (a file or a directory), like _access(path, 0) != -1.
bool PathExists(const std::string& path);
bool IsDirectory(const std::string& path);

// The whole content of a file. Throws FileError when it cannot be opened or read, or is
// not a regular file (a folder, a named pipe, a device: never waited on).
std::string ReadWholeFile(const std::string& path);

// The whole content of a file of at most `limit` bytes; nothing for a larger file, of
// which no more than the length is read. Throws FileError as ReadWholeFile does.
std::optional<std::string> ReadWholeFileUpTo(const std::string& path, std::uint64_t limit);

// What protection a file that a replace creates gets (an existing file keeps its own).
enum class NewFile {
  Private,  // a file holding secrets: 0600 (POSIX); on Windows the folder's inherited list
  Shared,   // a plain file: as any new file of the folder (the umask; the inherited list)
};

// The size of a file in bytes. Throws FileError when it cannot be opened (missing, denied).
std::uint64_t FileSize(const std::string& path);

// Replaces the file's content all at once: the bytes go to a sibling file of a name of
// its own ("<path>.<process>-<serial>.tmp", its name shortened when that would not fit),
// created exclusively and never through a link planted there, are flushed, and the
// sibling takes the file's place. Readers (the service among them) see either the old or
// the new content, never a mix. The replaced file keeps its protection: its mode, owner
// or at least group, and access list (POSIX; a rewrite that cannot keep the group or the
// access list is refused rather than loosening the file), its security descriptor and
// attributes (Windows). The caller holds the file's RewriteLock: siblings left by a
// writer that was killed are removed first. Throws FileError naming the file; on failure
// the old file is untouched and the sibling removed. Anything but a regular file at the
// path is refused.
void ReplaceFileContent(const std::string& path, std::string_view bytes, NewFile newFile);

// The name every sibling of the file at `path` begins with (see sibling_names.h), for the
// name limit of its folder.
std::string SiblingStemOf(const std::string& path);

// Removes the siblings of the file at `path` that a killed writer left behind, holding
// the file's RewriteLock (no writer of ours is writing one then). Returns the paths of
// those that could not be removed.
std::vector<std::string> RemoveLeftoverSiblings(const std::string& path);

// Makes every read, edit and replace of one file a critical section across our writers:
// the tray program of every user and quandorctl, in any log-on session. Held for the
// object's lifetime; a writer waits up to kRewriteLockWaitMs for another one and then
// fails with FileError. It leaves no file behind: on Windows it is a named mutex of the
// global namespace derived from the file's full path, elsewhere a lock on the folder
// that holds the file (so two writers of one folder also take turns). Readers take no
// lock: a replace is atomic for them. Not re-entrant: one lock per file at a time.
inline constexpr unsigned kRewriteLockWaitMs = 30000;
// What a writer that waited kRewriteLockWaitMs in vain is told.
FileError RewriteLockTimedOut(const std::string& path);
class RewriteLock {
 public:
  explicit RewriteLock(const std::string& path);
  ~RewriteLock();
  RewriteLock(const RewriteLock&) = delete;
  RewriteLock& operator=(const RewriteLock&) = delete;

 private:
  std::intptr_t m_handle;
};

// Overwrites memory that held a secret (a deciphered file, a password) before it is
// freed, in a way the compiler may not leave out.
void WipeMemory(void* data, std::size_t n);

// Deletes a file. False when it could not be deleted (missing, locked, a folder).
bool RemoveFile(const std::string& path);

// Creates one directory level. False when it could not be created.
bool MakeDirectory(const std::string& path);

// Makes the file exist without changing its content (creates it empty when missing).
// Throws FileError when it cannot be opened.
void TouchFile(const std::string& path);

// Standard input or output passes bytes unchanged: no CR LF translation on Windows,
// where the C runtime opens them in text mode; nothing to do elsewhere.
void MakeStandardInputBinary();
void MakeStandardOutputBinary();

struct DirectoryEntry {
  std::string name;  // without the folder
  bool isDirectory = false;
};

// Entries of `folder` (which ends with the path separator) whose names match
// `pattern` ("*" and "?" wildcards, case-insensitive as on Windows), in the order the
// file system returns them. A missing folder yields nothing.
std::vector<DirectoryEntry> ListDirectory(const std::string& folder, const std::string& pattern);

// A file opened for reading and writing, created when missing and never truncated on
// open, shared with other processes for reading and writing. Closed by the destructor.
class SharedFile {
 public:
  // Where the handle writes. AtTheEndOnly opens it for appending (O_APPEND;
  // FILE_APPEND_DATA without FILE_WRITE_DATA on Windows): every write lands at the end
  // without a call of its own to get there, and WriteAt is refused, since the system
  // would put its bytes at the end instead of at the offset.
  enum class Writes { AtOffsets, AtTheEndOnly };
  explicit SharedFile(std::string path, Writes writes = Writes::AtOffsets);  // throws FileError
  ~SharedFile();
  SharedFile(const SharedFile&) = delete;
  SharedFile& operator=(const SharedFile&) = delete;

  std::uint64_t Size();
  // Reads exactly n bytes at offset; throws when fewer are there.
  void ReadAt(std::uint64_t offset, char* buffer, std::size_t n);
  void WriteAt(std::uint64_t offset, std::string_view bytes);
  // Writes the bytes at the end of the file as it is at that moment, in one call, even
  // when another process appends at the same time.
  void Append(std::string_view bytes);
  void Truncate(std::uint64_t length);
  void Flush();
  const std::string& path() const { return m_path; }

  // Appenders and a writer that cuts or moves a file's bytes keep out of each other's way
  // with these holds, taken on a handle and kept until it closes. The length of a file
  // read while another handle appends can end inside that append (Linux raises it a page
  // at a time), so a writer that took it for a torn tail would cut the append off.
  // HoldToAppend is shared among appenders where the system places each append whole at
  // the end (POSIX); on Windows it is exclusive, since under Wine a write at the end
  // reads the length and then writes, and two at once land on each other. HoldToRewrite
  // is exclusive everywhere: while it is held no append of another handle is in flight.
  // Each waits up to kRewriteLockWaitMs for the other kind and then throws FileError.
  // One hold per handle: a second one is refused (std::logic_error).
  void HoldToAppend();
  void HoldToRewrite();

 private:
  void Hold(bool exclusive);

  std::string m_path;
  std::intptr_t m_handle;
  Writes m_writes;
  bool m_held = false;
};

// A file opened for reading only, never created, shared with writers (a program may
// append to it while it is read). Reads it in pieces, so a file of any size can be read.
class ReadOnlyFile {
 public:
  explicit ReadOnlyFile(const std::string& path);  // throws FileError (missing, not a regular file, denied)
  ~ReadOnlyFile();
  ReadOnlyFile(const ReadOnlyFile&) = delete;
  ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

  // Reads up to n bytes at offset; returns how many were read, 0 at the end of the file.
  std::size_t ReadSomeAt(std::uint64_t offset, char* buffer, std::size_t n);
  const std::string& path() const { return m_path; }

 private:
  std::string m_path;
  std::intptr_t m_handle;
};

}  // namespace platform
