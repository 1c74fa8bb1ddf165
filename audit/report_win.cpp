#include <windows.h>

#include <optional>
#include <vector>

#include "audit/report.h"
#include "res/product.h"

namespace audit {
namespace {

std::optional<Program> g_program;

WORD EventType(Severity severity) {
  switch (severity) {
    case Severity::Information:
      return EVENTLOG_INFORMATION_TYPE;
    case Severity::Warning:
      return EVENTLOG_WARNING_TYPE;
    case Severity::Error:
      break;
  }
  return EVENTLOG_ERROR_TYPE;
}

}  // namespace

void SetProgram(Program program) { g_program = program; }

void Report(const Event& event) noexcept {
  if (!g_program) return;
  try {
    HANDLE source = RegisterEventSourceA(nullptr, QUANDOR_PRODUCT_NAME);
    if (source == nullptr) return;
    char user[257] = {};
    DWORD size = sizeof user;
    if (!GetUserNameA(user, &size)) user[0] = '\0';
    std::vector<const char*> strings{user};
    for (const std::string& text : event.strings) strings.push_back(text.c_str());
    ReportEventA(source, EventType(event.severity), static_cast<WORD>(*g_program), MessageId(event.id, event.severity),
                 nullptr, static_cast<WORD>(strings.size()), 0, strings.data(), nullptr);
    DeregisterEventSource(source);
  } catch (...) {
    // Out of memory for the string list: the event is lost, the action goes on.
  }
}

}  // namespace audit
