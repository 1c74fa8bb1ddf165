#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/fault.h"
#include "platform/files.h"
#include "settings/service_request.h"
#include "settings/settings_form.h"
#include "settings/settings_record.h"
#include "tests/unit/test_folder.h"

namespace {

using platform::FileOp;
using settings::SaveSettingsForm;
using testing_support::TestFolder;

settings::SettingsForm SavableForm() {
  settings::SettingsForm f = settings::FillForm(settings::SettingsRecord{});
  f.host = "rd.example";
  f.localPassword = "secret";
  return f;
}

TEST(SaveSettingsForm, AFailedCheckWritesNothingAndTellsNoOne) {
  TestFolder dir;
  settings::SettingsForm f = SavableForm();
  f.useGateway = true;
  int notices = 0;
  EXPECT_EQ(SaveSettingsForm(dir.path(), f, [&] { ++notices; }).value_or(""), settings::kGatewayMessage);
  EXPECT_EQ(notices, 0);
  EXPECT_EQ(dir.Listing(), "");
}

TEST(SaveSettingsForm, StoresThenTellsTheServiceThenMakesTheMarker) {
  TestFolder dir;
  std::string seenWhenNotified;
  const auto message = SaveSettingsForm(dir.path(), SavableForm(), [&] { seenWhenNotified = dir.Listing(); });
  EXPECT_FALSE(message.has_value());
  EXPECT_EQ(seenWhenNotified, "Settings.ini SettingsHost.ini") << "every key is written before the notice";
  EXPECT_EQ(dir.Listing(), "Read.txt Settings.ini SettingsHost.ini");
  EXPECT_EQ(dir.Read("Read.txt"), "");
  EXPECT_EQ(settings::LoadSettings(dir.path()).host, "rd.example");
}

TEST(SaveSettingsForm, AnExistingMarkerKeepsItsContent) {
  TestFolder dir;
  dir.Write("Read.txt", "seen by the service\r\n");
  ASSERT_FALSE(SaveSettingsForm(dir.path(), SavableForm(), [] {}).has_value());
  EXPECT_EQ(dir.Read("Read.txt"), "seen by the service\r\n");
}

TEST(SaveSettingsForm, AFailingWriteStopsBeforeTheNoticeAndTheMarker) {
  TestFolder dir;
  platform::ScopedFaultHook hook(
      [&](FileOp op, const std::string& path) { return op == FileOp::Rename && path == dir / "SettingsHost.ini"; });
  int notices = 0;
  EXPECT_THROW(SaveSettingsForm(dir.path(), SavableForm(), [&] { ++notices; }), platform::FileError);
  EXPECT_EQ(notices, 0);
  EXPECT_EQ(dir.Listing(), "Settings.ini") << "FORCENUMKEY, written first, stays";
}

TEST(SaveSettingsForm, AMarkerThatCannotBeMadeDoesNotStopTheSave) {
  TestFolder dir;
  platform::ScopedFaultHook hook(
      [&](FileOp op, const std::string& path) { return op == FileOp::Open && path == dir / "Read.txt"; });
  int notices = 0;
  EXPECT_FALSE(SaveSettingsForm(dir.path(), SavableForm(), [&] { ++notices; }).has_value());
  EXPECT_EQ(notices, 1);
  EXPECT_FALSE(platform::PathExists(dir / "Read.txt"));
  EXPECT_FALSE(settings::TouchReadMarker(dir.path()));
}

// A store of both files whose second replace fails has changed the first: the service
// is told and the marker made all the same, and the failure still reaches the caller.
// When the first replace fails, nothing changed and no one is told.
TEST(StoreNotifyAndMarkRead, TellsTheServiceWhenOneFileChangedBeforeAFailure) {
  const std::map<std::string, std::string> values = {{"HOST", "h2"}, {"PRINTERS", "0"}};
  const std::vector<const char*> order = settings::StoreOrder();
  const auto first = std::find_if(order.begin(), order.end(), [&](const char* n) { return values.count(n) != 0; });
  ASSERT_NE(first, order.end());
  const bool plainFirst = std::string(*first) == "PRINTERS";
  struct Case {
    const char* failingFile;
    bool told;
  } cases[] = {
      {plainFirst ? "SettingsHost.ini" : "Settings.ini", true},
      {plainFirst ? "Settings.ini" : "SettingsHost.ini", false},
  };
  for (const Case& c : cases) {
    TestFolder dir;
    int notices = 0;
    bool failed = false;
    {
      platform::ScopedFaultHook hook(
          [&](FileOp op, const std::string& path) { return op == FileOp::Rename && path == dir / c.failingFile; });
      try {
        settings::StoreNotifyAndMarkRead(
            dir.path(), [&] { settings::StoreSettingValues(dir.path(), values); }, [&] { ++notices; });
      } catch (const platform::FileError& e) {
        failed = true;
        EXPECT_NE(std::string(e.what()).find(c.failingFile), std::string::npos) << e.what();
      }
    }
    EXPECT_TRUE(failed) << c.failingFile;
    EXPECT_EQ(notices, c.told ? 1 : 0) << c.failingFile;
    EXPECT_EQ(platform::PathExists(dir / "Read.txt"), c.told) << c.failingFile;
  }
}

TEST(TouchReadMarker, CreatesAnEmptyFile) {
  TestFolder dir;
  EXPECT_TRUE(settings::TouchReadMarker(dir.path()));
  EXPECT_EQ(dir.Listing(), "Read.txt");
  EXPECT_EQ(dir.Read("Read.txt"), "");
}

// Answers "Reset Cards"'s question with `answer` and keeps what it was asked.
struct Confirmation {
  bool answer = true;
  std::vector<std::string> asked;
  std::function<bool(const std::string&)> Ask() {
    return [this](const std::string& question) {
      asked.push_back(question);
      return answer;
    };
  }
};

TEST(ResetCards, DeletesTheCardFilesAndSaysWhetherThereWereAny) {
  TestFolder cardFolder;
  for (const char* name : {"1111.dll", "2222.DLL"}) cardFolder.Write(name, "card");
  ASSERT_TRUE(platform::MakeDirectory(cardFolder / "sub.dll"));
  platform::ScopedFaultHook hook(
      [&](FileOp op, const std::string& path) { return op == FileOp::Delete && path == cardFolder / "2222.DLL"; });
  Confirmation yes;
  EXPECT_EQ(settings::ResetCards(cardFolder.path(), yes.Ask()), "Successfully removed remembered cards!");
  EXPECT_EQ(yes.asked, std::vector<std::string>{"Delete all 2 registered cards?\n\nThis cannot be undone."})
      << "the folder named like a card was counted";
  EXPECT_EQ(cardFolder.Listing(), "2222.DLL sub.dll") << "the locked card stays, the folder is left alone";
  TestFolder empty;
  ASSERT_TRUE(platform::MakeDirectory(empty / "only.dll"));
  Confirmation unasked;
  EXPECT_EQ(settings::ResetCards(empty.path(), unasked.Ask()), "No registered cards available\xA0to clear");
  EXPECT_EQ(settings::ResetCards(empty / "missing", unasked.Ask()), "No registered cards available\xA0to clear");
  EXPECT_EQ(unasked.asked, std::vector<std::string>{}) << "asked although there was nothing to delete";
}

TEST(ResetCards, AnsweredNoDeletesNothingAndSaysNothing) {
  const struct {
    std::vector<std::string> cards;
    std::string question;
  } cases[] = {
      {{"1111.dll"}, "Delete the 1 registered card?\n\nThis cannot be undone."},
      {{"1111.dll", "2222.dll", "3333.dll"}, "Delete all 3 registered cards?\n\nThis cannot be undone."},
  };
  for (const auto& c : cases) {
    TestFolder cardFolder;
    for (const std::string& name : c.cards) cardFolder.Write(name, "card");
    const std::string before = cardFolder.Listing();
    Confirmation no{false, {}};
    EXPECT_EQ(settings::ResetCards(cardFolder.path(), no.Ask()), std::nullopt) << before;
    EXPECT_EQ(no.asked, std::vector<std::string>{c.question});
    EXPECT_EQ(cardFolder.Listing(), before);
  }
}

TEST(ResetCards, CardsGoneWhileTheQuestionWasOpenAreReportedAsNone) {
  TestFolder cardFolder;
  cardFolder.Write("1111.dll", "card");
  EXPECT_EQ(settings::ResetCards(cardFolder.path(),
                                 [&](const std::string&) {
                                   EXPECT_TRUE(platform::RemoveFile(cardFolder / "1111.dll"));
                                   return true;
                                 }),
            "No registered cards available\xA0to clear");
}

#ifdef _WIN32
// Without the service installed: the manager opens, the service does not (1060), and the
// control request on no handle fails in its turn.
TEST(SendServiceRequest, WithoutTheServiceReportsEachFailingStepOnStandardOutput) {
  testing::internal::CaptureStdout();
  const settings::ServiceNotice notice = settings::SendServiceRequest();
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(notice, settings::ServiceNotice::Failed);
  EXPECT_EQ(out, "Open SCM failed with error 1060\nControl Service failed with error 6\n");
}
#else
TEST(SendServiceRequest, HasNothingToNotifyWithoutAServiceManager) {
  testing::internal::CaptureStdout();
  EXPECT_EQ(settings::SendServiceRequest(), settings::ServiceNotice::NothingToNotify);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}
#endif

}  // namespace
