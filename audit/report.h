// The audit trail's sink. On Windows each event goes to the Application log under the
// product's event source, the acting Windows user (GetUserNameA) as its first insertion
// string and the writing program as its category; elsewhere there is no Event Log and
// nothing is written. Reporting never fails, waits on or changes the action it records:
// a source that cannot be opened is skipped.
#pragma once

#include <cstdint>

#include "audit/events.h"

namespace audit {

// The event's category, which tells the programs apart (the message table names them).
enum class Program : std::uint16_t { Tray = 1, Quandorctl = 2 };

// Set once at the start of a program; until then (unit tests, say) nothing is reported.
void SetProgram(Program program);

void Report(const Event& event) noexcept;

}  // namespace audit
