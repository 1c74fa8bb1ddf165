#include <windows.h>

#include <cstdio>

#include "platform/console.h"
#include "platform/files.h"

namespace platform {

std::optional<std::string> FolderProblem(const std::string& folder) {
  std::string path = folder;
  while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return std::string("no such folder");
    return "cannot be read (error " + std::to_string(error) + ")";
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return std::string("not a folder");
  WIN32_FIND_DATAA entry;
  const HANDLE search = FindFirstFileA((path + "\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) return "cannot be read (error " + std::to_string(error) + ")";
    return std::nullopt;
  }
  FindClose(search);
  return std::nullopt;
}

bool StandardInputIsTerminal() {
  DWORD mode;
  return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != FALSE;
}

std::optional<std::string> ReadTerminalLineWithoutEcho(const std::string& prompt) {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD saved = 0;
  const bool canSwitch = GetConsoleMode(input, &saved) != FALSE;
  if (canSwitch) SetConsoleMode(input, (saved | ENABLE_LINE_INPUT | ENABLE_PROCESSED_INPUT) & ~ENABLE_ECHO_INPUT);
  std::fputs(prompt.c_str(), stderr);
  std::fflush(stderr);
  std::string line;
  bool complete = false;
  bool failed = false;
  char c;
  DWORD n = 0;
  for (;;) {
    if (!ReadFile(input, &c, 1, &n, nullptr)) {
      failed = true;
      break;
    }
    if (n == 0) break;
    if (c == '\n') {
      complete = true;
      break;
    }
    line += c;
  }
  if (canSwitch) SetConsoleMode(input, saved);
  std::fputs("\n", stderr);  // echo is off, so the user's Enter left no line end
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (failed || (!complete && line.empty())) {
    WipeMemory(line.data(), line.size());
    return std::nullopt;
  }
  return line;
}

}  // namespace platform
