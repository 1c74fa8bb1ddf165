// Where things are: the program's own folder and the user's temporary folder.
#pragma once

#include <string>

namespace platform {

// The separator that ends every folder text of this platform ('\\' on Windows).
char PathSeparator();

// The running executable's full path cut just after its last separator, so that it
// keeps the separator and file names can be appended directly. A path without any
// separator is used whole.
std::string ProgramDirectory();

// Cuts a full path just after its last separator (the rule above, as a pure function).
std::string DirectoryOf(const std::string& fullPath);

// The user's temporary folder, ending with the separator.
std::string TempDirectory();

// Where a command-line tool looks for the program's files when it is given no folder:
// its own folder on Windows (it is installed beside the tray program), the current
// folder ("./") elsewhere.
std::string ToolDefaultDirectory();

// Makes every later load of a DLL by name search the system folder only, never the
// program's folder, which users of a kiosk may be able to write to. The first call of a
// program, before anything loads a DLL. Windows only; elsewhere shared libraries never
// come from the program's folder.
void LoadDllsFromSystemFolderOnly();

// Whether the product's own folders (the card folder) are fixed on this platform: on
// Windows they are; elsewhere every folder must be given.
bool HasFixedProductFolders();

}  // namespace platform
