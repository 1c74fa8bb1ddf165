#include <dirent.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/console.h"
#include "platform/files.h"

namespace platform {

std::optional<std::string> FolderProblem(const std::string& folder) {
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0) {
    if (errno == ENOENT) return std::string("no such folder");
    if (errno == ENOTDIR) return std::string("not a folder");
    return "cannot be read (" + std::string(std::strerror(errno)) + ")";
  }
  if (!S_ISDIR(st.st_mode)) return std::string("not a folder");
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return "cannot be read (" + std::string(std::strerror(errno)) + ")";
  ::closedir(dir);
  return std::nullopt;
}

bool StandardInputIsTerminal() { return ::isatty(0) == 1; }

std::optional<std::string> ReadTerminalLineWithoutEcho(const std::string& prompt) {
  termios saved {};
  const bool canSwitch = ::tcgetattr(0, &saved) == 0;
  if (canSwitch) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;  // the user still sees that Enter was taken
    ::tcsetattr(0, TCSAFLUSH, &quiet);
  }
  std::fputs(prompt.c_str(), stderr);
  std::fflush(stderr);
  std::string line;
  bool complete = false;
  char c;
  ssize_t n;
  while ((n = ::read(0, &c, 1)) == 1 || (n < 0 && errno == EINTR)) {
    if (n != 1) continue;
    if (c == '\n') {
      complete = true;
      break;
    }
    line += c;
  }
  if (canSwitch) ::tcsetattr(0, TCSAFLUSH, &saved);
  if (!complete && n != 0) {  // a read error; an end of input after a partial line still counts
    WipeMemory(line.data(), line.size());
    return std::nullopt;
  }
  if (!complete && line.empty()) return std::nullopt;
  return line;
}

}  // namespace platform
