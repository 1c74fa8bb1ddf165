// A fresh folder under the temporary directory for one test, removed afterwards.
#pragma once

#include <string>

namespace testing_support {

class TestFolder {
 public:
  TestFolder();
  ~TestFolder();
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  // The folder, ending with the path separator.
  const std::string& path() const { return m_path; }
  std::string operator/(const std::string& name) const { return m_path + name; }

  void Write(const std::string& name, const std::string& bytes) const;
  std::string Read(const std::string& name) const;
  // Names of the files and folders in it, sorted.
  std::string Listing() const;

  // A card file name of `fill` characters and ".dll" as long as a name in this folder may
  // be: 255 bytes less a little elsewhere, a whole path of MAX_PATH - 1 on Windows.
  std::string NameNearTheLimit(char fill) const;

 private:
  std::string m_path;
};

}  // namespace testing_support
