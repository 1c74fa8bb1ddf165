// What a command-line tool needs beyond files: whether a folder it is pointed at can be
// used, and a terminal to read a secret from without showing it.
#pragma once

#include <optional>
#include <string>

namespace platform {

// Nothing when `folder` (ending with the separator or not) is a folder whose entries can
// be listed; otherwise why not: "no such folder", "not a folder", "cannot be read (...)".
std::optional<std::string> FolderProblem(const std::string& folder);

// Whether standard input is a terminal (a console window on Windows), not a pipe or file.
bool StandardInputIsTerminal();

// Shows `prompt` on standard error and reads one line from the terminal of standard
// input without echoing it; the line end (Enter) is not part of the result. Nothing
// when the terminal cannot be read (end of input included). Echo is on again afterwards.
std::optional<std::string> ReadTerminalLineWithoutEcho(const std::string& prompt);

}  // namespace platform
