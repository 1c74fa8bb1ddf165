// The audit trail's message table, read out of the programs' files as Event Viewer reads
// it: every event the code writes has a sentence under its full message identifier (so
// the severity bits match), each insertion string lands in it, and the two categories
// are named. QUANDOR_MESSAGE_FILES (';'-separated) names the files, for example the
// installed program; by default the tray program under test and the quandorctl.exe beside it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "audit/events.h"
#include "tests/e2e/harness.h"

namespace e2e {
namespace {

std::vector<std::string> MessageFiles() {
  std::vector<std::string> files;
  if (const char* named = std::getenv("QUANDOR_MESSAGE_FILES"); named && *named) {
    std::istringstream in(named);
    for (std::string file; std::getline(in, file, ';');)
      if (!file.empty()) files.push_back(file);
    return files;
  }
  const std::string program = ProgramUnderTest();
  return {program, program.substr(0, program.find_last_of("\\/") + 1) + "quandorctl.exe"};
}

// The message `id` of `module` with the arguments "<1>", "<2>", ...; empty when there is none.
std::string Format(HMODULE module, DWORD id, int arguments) {
  std::vector<std::string> texts;
  for (int i = 1; i <= arguments; ++i) texts.push_back("<" + std::to_string(i) + ">");
  std::vector<DWORD_PTR> pointers;
  for (const std::string& t : texts) pointers.push_back(reinterpret_cast<DWORD_PTR>(t.c_str()));
  char buffer[2048] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, module, id,
                                      MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), buffer, sizeof buffer,
                                      reinterpret_cast<va_list*>(pointers.data()));
  return std::string(buffer, length);
}

TEST(MessageTable, EveryEventHasItsSentenceWithEachInsertionString) {
  for (const std::string& file : MessageFiles()) {
    HMODULE module = LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr) << file;
    for (const audit::EventKind& kind : audit::Catalogue()) {
      const DWORD id = audit::MessageId(kind.id, kind.severity);
      const int inserted = 1 + kind.strings;  // the user first
      // Three arguments more than the event carries: a message that inserts one of them
      // would show an empty place in Event Viewer.
      const std::string text = Format(module, id, inserted + 3);
      ASSERT_FALSE(text.empty()) << file << ": no message " << std::hex << id;
      for (int i = 1; i <= inserted + 3; ++i) {
        const bool present = text.find("<" + std::to_string(i) + ">") != std::string::npos;
        EXPECT_EQ(present, i <= inserted) << file << ": " << kind.id << " insertion " << i << ": " << text;
      }
      EXPECT_EQ(text.find('%'), std::string::npos) << file << ": " << text;
    }
    EXPECT_EQ(Format(module, 1, 0), "Tray program\r\n") << file;
    EXPECT_EQ(Format(module, 2, 0), "quandorctl\r\n") << file;
    FreeLibrary(module);
  }
}

}  // namespace
}  // namespace e2e
