// The card dialog of the real program timed end to end, driven as the e2e tests drive it:
// from the Manage Registered Cards command to its last row shown, and from Delete Card to
// the list shown again, with 100, 1,000 and 10,000 cards. The floors fill a list view of
// the same style in this program with the same texts, reading no file, painting paused
// during the fill as the dialog's list does: the least any dialog showing that list pays.
// "Shown" is the list holding its rows with nothing of it left to paint. Repetitions of
// ours and the floors interleave. A third floor reads the cards as the card list does
// before that fill: the rows' cost without the dialog.
//   bench_dialog PROGRAM REPETITIONS JSON-FILE
// PROGRAM runs from a copy in a fresh folder; the card folder C:\Quandor-Authenticator\CARD
// is made for the run (only where this program made it before, or none is there).
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "cards/card_files.h"
#include "res/resource.h"
#include "storage/crypt_ini.h"
#include "tests/fixtures/driver.h"

namespace {

constexpr WPARAM kManageCards = ID_TRAY_MANAGECARDS;
constexpr int kCardList = IDC_CARDLIST, kDeleteCard = IDC_DELETECARD;
constexpr char kRoot[] = "C:\\Quandor-Authenticator\\";
constexpr char kCardFolder[] = "C:\\Quandor-Authenticator\\CARD\\";
constexpr char kMarker[] = "C:\\Quandor-Authenticator\\made-by-quandor-bench.txt";
constexpr char kExpiry[] = "on Restart";  // no Settings.ini beside the program

using Clock = std::chrono::steady_clock;
double MsSince(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

struct Card {
  std::string file, user, mask;
};

std::vector<Card> MakeCards(int count) {
  if (driver::FileExists(kRoot) && !driver::FileExists(kMarker))
    throw std::runtime_error(std::string(kRoot) + " was not made by this program; its cards are left alone");
  driver::RemoveFolder(kRoot);
  if (!CreateDirectoryA(kRoot, nullptr) || !CreateDirectoryA(kCardFolder, nullptr) ||
      !driver::WriteFileText(kMarker, "cards of bench_dialog\r\n"))
    throw std::runtime_error("cannot make the card folder");
  std::vector<Card> cards;
  for (int i = 0; i < count; ++i) {
    const std::string number = std::to_string(1000000000 + i);
    Card card{number + ".dll", "user-" + number, cards::MaskCardNumber(number)};
    const std::string text = "[Settings]\r\nUSER=" + card.user + "\r\nPASSWORD=pw-" + number + "\r\n";
    if (!driver::WriteFileText(kCardFolder + card.file, *storage::EncipherIniText(text)))
      throw std::runtime_error("cannot write a card");
    cards.push_back(card);
  }
  return cards;
}

// The program's visible card dialog, or null.
HWND CardDialog(DWORD pid) {
  for (HWND w : driver::TopWindows(driver::WindowFilter(pid, "#32770", std::string("Manage Registered Cards"))))
    if (IsWindowVisible(w) && driver::Control(w, kCardList)) return w;
  return nullptr;
}

// Polls every millisecond. Each look at another program's windows is a request to the
// wineserver, which serves one request at a time: polled without a pause, the looks queue
// before the file calls of the program being timed and slow it down.
bool Spin(const std::function<bool()>& done, int timeoutMs) {
  const Clock::time_point start = Clock::now();
  while (!done()) {
    if (MsSince(start) > timeoutMs) return false;
    Sleep(1);
  }
  return true;
}

// Waits until `list` holds `rows` rows and has painted them: its thread has finished the
// message that filled it (a message sent to the list is handled only after that), and
// nothing of the list is left to paint.
bool WaitShown(HWND list, int rows, int timeoutMs) {
  DWORD_PTR answer = 0;
  return Spin([&] { return driver::remote::ListRowCount(list) == rows; }, timeoutMs) &&
         SendMessageTimeoutA(list, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(timeoutMs), &answer) &&
         Spin([&] { return !GetUpdateRect(list, nullptr, FALSE); }, timeoutMs);
}

class Program {
 public:
  Program(const std::string& exe) : m_folder(driver::MakeTempFolder("quandor-bench")) {
    if (m_folder.empty() || !driver::CopyInto(exe, m_folder + "QuandorAuthenticator.exe"))
      throw std::runtime_error("cannot copy " + exe);
    m_process = driver::Start(m_folder + "QuandorAuthenticator.exe", "", m_folder);
    m_main = driver::WaitTopWindow(driver::WindowFilter(m_process.id(), "#32770", std::string()), 30000);
    if (!m_main) throw std::runtime_error("the program's main window did not appear");
  }
  ~Program() {
    m_process.Kill();
    m_process.WaitExit(10000);
    driver::RemoveFolder(m_folder);
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Ms from the command to `rows` rows in the shown dialog; the dialog stays open.
  double Open(int rows) {
    const Clock::time_point start = Clock::now();
    driver::Post(m_main, WM_COMMAND, kManageCards, 0);
    HWND dialog = nullptr;
    if (!Spin([&] { return (dialog = CardDialog(m_process.id())) != nullptr; }, 120000) ||
        !WaitShown(driver::Control(dialog, kCardList), rows, 120000))
      throw std::runtime_error("the card dialog did not show " + std::to_string(rows) + " rows");
    const double ms = MsSince(start);
    m_dialog = dialog;
    return ms;
  }
  // Ms from Delete Card on the first row to the list shown again with one row less.
  double DeleteFirst(int rows) {
    HWND list = driver::Control(m_dialog, kCardList);
    if (!driver::remote::ListSelectRow(list, 0)) throw std::runtime_error("cannot select a row");
    const Clock::time_point start = Clock::now();
    driver::Post(driver::Control(m_dialog, kDeleteCard), BM_CLICK, 0, 0);
    // The row count falls to 0 when the list is emptied, and rises to rows - 1 at the end.
    if (!WaitShown(list, rows - 1, 120000))
      throw std::runtime_error("the list was not shown again after the delete");
    return MsSince(start);
  }
  void Close() {
    driver::Post(m_dialog, WM_COMMAND, IDCANCEL, 0);
    HWND dialog = m_dialog;
    if (!Spin([&] { return !IsWindow(dialog); }, 30000)) throw std::runtime_error("the card dialog did not close");
    m_dialog = nullptr;
  }

 private:
  std::string m_folder;
  driver::Process m_process;
  HWND m_main = nullptr;
  HWND m_dialog = nullptr;
};

// The floor: a window with a list view of the dialog's style and columns, filled with
// the rows' texts, shown and painted.
class FloorList {
 public:
  FloorList() {
    m_window = CreateWindowExA(WS_EX_APPWINDOW, "#32770", "floor", WS_OVERLAPPEDWINDOW, 100, 100, 400, 260, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
    m_list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SINGLESEL | WS_BORDER |
                             WS_TABSTOP, 10, 24, 350, 130, m_window, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!m_window || !m_list) throw std::runtime_error("cannot make the floor's list view");
    const char* headings[] = {"Username", "Card Number", "Expires"};
    const int widths[] = {150, 80, 100};
    for (int c = 0; c < 3; ++c) {
      LVCOLUMNA column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH;
      column.pszText = const_cast<char*>(headings[c]);
      column.cx = widths[c];
      SendMessageA(m_list, LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&column));
    }
    SendMessageA(m_list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  }
  ~FloorList() { DestroyWindow(m_window); }
  FloorList(const FloorList&) = delete;
  FloorList& operator=(const FloorList&) = delete;

  // As the dialog fills its list: painting paused, room for all rows made at once.
  void Fill(const std::vector<Card>& cards, std::size_t rows) {
    SendMessageA(m_list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(m_list, LVM_DELETEALLITEMS, 0, 0);
    SendMessageA(m_list, LVM_SETITEMCOUNT, rows, 0);
    for (std::size_t i = 0; i < rows; ++i) {
      LVITEMA item{};
      item.mask = LVIF_TEXT | LVIF_PARAM;
      item.iItem = static_cast<int>(i);
      item.pszText = const_cast<char*>(cards[i].user.c_str());
      item.lParam = static_cast<LPARAM>(i);
      const int index = static_cast<int>(SendMessageA(m_list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
      const char* texts[] = {cards[i].mask.c_str(), kExpiry};
      for (int c = 1; c < 3; ++c) {
        LVITEMA sub{};
        sub.iSubItem = c;
        sub.pszText = const_cast<char*>(texts[c - 1]);
        SendMessageA(m_list, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&sub));
      }
    }
    SendMessageA(m_list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(m_list, nullptr, TRUE);
    ShowWindow(m_window, SW_SHOW);
    UpdateWindow(m_window);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
  void Hide() { ShowWindow(m_window, SW_HIDE); }

 private:
  HWND m_window = nullptr;
  HWND m_list = nullptr;
};

struct Result {
  std::string name;
  double ms;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: bench_dialog PROGRAM REPETITIONS JSON-FILE\n");
    return 1;
  }
  const int repetitions = std::atoi(argv[2]);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  std::vector<Result> results;
  std::mt19937 random(std::random_device{}());
  try {
    for (int count : {100, 1000, 10000}) {
      const std::vector<Card> cards = MakeCards(count);
      const std::string n = "/" + std::to_string(count);
      Program program(argv[1]);
      FloorList floor;
      const std::function<void()> steps[] = {
          [&] {
            results.push_back({"dialog:Open" + n, program.Open(count)});
            program.Close();
          },
          [&] {
            program.Open(count);
            results.push_back({"dialog:Delete" + n, program.DeleteFirst(count)});
            program.Close();
            // The deleted card comes back, byte for byte as made.
            const std::string text = "[Settings]\r\nUSER=" + cards[0].user + "\r\nPASSWORD=pw-" +
                                     cards[0].file.substr(0, cards[0].file.size() - 4) + "\r\n";
            if (!driver::WriteFileText(kCardFolder + cards[0].file, *storage::EncipherIniText(text)))
              throw std::runtime_error("cannot put the deleted card back");
          },
          [&] {
            const Clock::time_point start = Clock::now();
            floor.Fill(cards, cards.size());
            results.push_back({"dialog:FloorOpen" + n, MsSince(start)});
            floor.Hide();
          },
          [&] {
            // The rows as a card list reads them (listing, reading and deciphering every
            // card), then the same fill: what the rows cost without the dialog.
            const Clock::time_point start = Clock::now();
            std::vector<Card> read;
            for (const cards::CardFile& card : cards::EnumerateCards(kCardFolder))
              read.push_back({card.fileName, card.user, card.mask});
            if (read.size() != cards.size()) throw std::runtime_error("the card list is wrong");
            floor.Fill(read, read.size());
            results.push_back({"dialog:FloorReadingCards" + n, MsSince(start)});
            floor.Hide();
          },
          [&] {
            floor.Fill(cards, cards.size());
            const Clock::time_point start = Clock::now();
            floor.Fill(cards, cards.size() - 1);
            results.push_back({"dialog:FloorDelete" + n, MsSince(start)});
            floor.Hide();
          },
      };
      // One open and one fill untimed first: the program's first dialog loads what every
      // later one finds loaded (its first opens measured 170 to 810 ms against 12 to 25 ms).
      program.Open(count);
      program.Close();
      floor.Fill(cards, cards.size());
      floor.Hide();
      std::vector<int> order;
      for (int r = 0; r < repetitions; ++r)
        for (int s = 0; s < static_cast<int>(std::size(steps)); ++s) order.push_back(s);
      std::shuffle(order.begin(), order.end(), random);
      for (int s : order) steps[s]();
    }
    driver::RemoveFolder(kRoot);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_dialog: %s\n", e.what());
    return 1;
  }
  FILE* out = std::fopen(argv[3], "wb");
  if (!out) return 1;
  std::fprintf(out, "{\n  \"context\": {\"executable\": \"bench_dialog\"},\n  \"benchmarks\": [\n");
  for (std::size_t i = 0; i < results.size(); ++i)
    std::fprintf(out,
                 "    {\"run_name\": \"%s\", \"run_type\": \"iteration\", \"iterations\": 1, \"real_time\": %.6g, "
                 "\"time_unit\": \"ms\"}%s\n",
                 results[i].name.c_str(), results[i].ms, i + 1 < results.size() ? "," : "");
  std::fprintf(out, "  ]\n}\n");
  return std::fclose(out) == 0 ? 0 : 1;
}
