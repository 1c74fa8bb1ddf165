// The program's per-user profile: the registry key that the original application
// framework keeps for it, HKEY_CURRENT_USER\Software\<kProfileCompany>\<kApplicationName>.
// The program only reads it (the card list's column widths); nothing writes it.
#pragma once

#include <optional>
#include <string>

namespace ui {

inline constexpr char kProfileCompany[] = "Local AppWizard-Generated Applications";
// The shipped executable's base name. A constant, so that a renamed copy of the
// program still finds the profile that administrators set up for it.
inline constexpr char kApplicationName[] = "QuandorAuthenticator";

// The bytes of the binary value `entry` in the profile's section `section` (a subkey);
// nothing when the key or the value is missing, cannot be read or is not binary.
std::optional<std::string> ReadProfileBinary(const std::string& section, const std::string& entry);

}  // namespace ui
