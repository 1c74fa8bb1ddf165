#include "tests/unit/test_folder.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <vector>

#include "platform/paths.h"

namespace testing_support {
namespace fs = std::filesystem;

TestFolder::TestFolder() {
  static std::atomic<unsigned> counter{0};
  std::random_device random;
  const std::string name = "quandor-test-" + std::to_string(random()) + "-" + std::to_string(counter++);
  m_path = platform::TempDirectory() + name + platform::PathSeparator();
  fs::create_directories(fs::u8path(m_path));
}

TestFolder::~TestFolder() {
  std::error_code ignored;
  fs::remove_all(fs::u8path(m_path), ignored);
}

void TestFolder::Write(const std::string& name, const std::string& bytes) const {
  std::ofstream out(fs::u8path(m_path + name), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TestFolder::Read(const std::string& name) const {
  std::ifstream in(fs::u8path(m_path + name), std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string TestFolder::Listing() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(fs::u8path(m_path)))
    names.push_back(entry.path().filename().u8string());
  std::sort(names.begin(), names.end());
  std::string text;
  for (const auto& n : names) text += (text.empty() ? "" : " ") + n;
  return text;
}

std::string TestFolder::NameNearTheLimit(char fill) const {
#ifdef _WIN32
  const std::size_t length = 259 - m_path.size();
#else
  const std::size_t length = 249;
#endif
  return std::string(length - 4, fill) + ".dll";
}

}  // namespace testing_support
