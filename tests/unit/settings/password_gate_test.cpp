#include <gtest/gtest.h>

#include "settings/password_gate.h"

namespace {

TEST(CheckGatePassword, OnlyTheExactPasswordOpensTheGate) {
  struct Case {
    const char* typed;
    bool accepted;
    const char* message;  // null: none
    bool clearField;
  } cases[] = {
      {"Marbled", true, nullptr, false},
      {"", false, "Kindly enter the password", false},
      {"MARBLED", false, "Kindly enter the correct password", true},
      {"marbled", false, "Kindly enter the correct password", true},
      {"Marbled ", false, "Kindly enter the correct password", true},
      {" Marbled", false, "Kindly enter the correct password", true},
      {"Marble", false, "Kindly enter the correct password", true},
      {"MarbledX", false, "Kindly enter the correct password", true},
      {" ", false, "Kindly enter the correct password", true},
  };
  for (const Case& c : cases) {
    const settings::GateVerdict v = settings::CheckGatePassword(c.typed);
    EXPECT_EQ(v.accepted, c.accepted) << '"' << c.typed << '"';
    EXPECT_EQ(v.message.value_or("(none)"), c.message ? c.message : "(none)") << '"' << c.typed << '"';
    EXPECT_EQ(v.clearField, c.clearField) << '"' << c.typed << '"';
  }
}

TEST(CheckGatePassword, ATextWithAnEmbeddedNulIsNotThePassword) {
  EXPECT_FALSE(settings::CheckGatePassword(std::string("Marbled\0x", 9)).accepted);
}

}  // namespace
