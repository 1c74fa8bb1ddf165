// Where the settings and card commands look when no folder is given, and the folder
// options they share.
#pragma once

#include <string>

#include "tools/quandorctl/cli.h"

namespace quandorctl {

// A folder text that ends with the path separator, so that file names can be appended.
std::string AsFolder(std::string folder);

// "--dir DIR": the folder of Settings.ini and SettingsHost.ini. Default: quandorctl's
// own folder on Windows (where the tray program lives beside it), the current folder elsewhere.
std::string SettingsFolder(const ParsedArgs& args);

// "--folder DIR": the card folder. Default: the fixed card folder on Windows; required elsewhere.
std::string CardFolder(const ParsedArgs& args);

// Both throw CommandError (kExitFile) naming a folder that is missing or cannot be read.

// The same folders as given or defaulted, unchecked: for doctor, which reports a missing
// folder as one of its findings instead of failing on it.
std::string GivenSettingsFolder(const ParsedArgs& args);
std::string GivenCardFolder(const ParsedArgs& args);

// Throws platform::FileError (exit status 2) when DIR's Settings.ini exists and cannot
// be read; a missing one reads as its defaults.
void ExpectReadableSettingsFile(const std::string& dir);

// A text on one line for the terminal: quotes, backslash and control bytes escaped.
std::string Escaped(const std::string& text);
// The same in double quotes.
std::string Quoted(const std::string& text);

}  // namespace quandorctl
