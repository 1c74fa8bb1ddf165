// The ways a write of a file that the service shares fails for a reason the user is
// told: the file cannot be read or written (platform::FileError names it and why), an
// enciphered file that must be kept is undecipherable, or a value the file cannot hold
// (IniValueError). The dialogs show the reason and the audit trail records it. Any other
// exception is a fault of ours and is not caught here.
#pragma once

#include <exception>
#include <optional>
#include <string>

#include "platform/files.h"
#include "storage/crypt_ini.h"
#include "storage/ini_text.h"

namespace storage {

struct WriteFailure {
  std::string reason;        // the exception's text
  std::exception_ptr error;  // the exception itself, for a caller that passes it on
};

// Runs `write`; nothing when it went through.
template <typename Write>
std::optional<WriteFailure> TryWrite(Write&& write) {
  try {
    write();
  } catch (const platform::FileError& e) {
    return WriteFailure{e.what(), std::current_exception()};
  } catch (const UndecipherableFileError& e) {
    return WriteFailure{e.what(), std::current_exception()};
  } catch (const IniValueError& e) {
    return WriteFailure{e.what(), std::current_exception()};
  }
  return std::nullopt;
}

}  // namespace storage
