#include "bench/subjects.h"

#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>

#include "platform/files.h"
#include "storage/crypt_ini.h"
#include "storage/ini_text.h"

namespace bench {

const CardFolder& CardsOf(int count) {
  static std::map<int, std::unique_ptr<CardFolder>> folders;
  std::unique_ptr<CardFolder>& folder = folders[count];
  if (!folder) {
    folder = std::make_unique<CardFolder>();
    for (int i = 0; i < count; ++i) {
      const std::string number = std::to_string(1000000000 + i);
      const std::string text = "[Settings]\r\nUSER=user-" + number + "\r\nPASSWORD=pw-" + number + "\r\n";
      const std::string path = folder->dir / (number + ".dll");
      std::ofstream(path, std::ios::binary) << *storage::EncipherIniText(text);
      folder->paths.push_back(path);
    }
  }
  return *folder;
}

settings::SettingsRecord SavedSettings(int i) {
  settings::SettingsRecord r;
  const std::string n = std::to_string(i % 2);
  r.host = "rdhost-" + n + ".example";
  r.localPassword = "local-" + n;
  r.rdGateway = "gateway-" + n;
  r.domain = "talo-" + n;
  r.lockByDisconnection = i % 2 ? "1" : "0";
  r.expiresAt = i % 2 ? "03:30" : "02:00";
  r.expires = r.lockByDisconnection;
  r.everyHrs = i % 2 ? "12" : "6";
  r.printers = r.clipboard = r.rdGuard = r.forceNumKey = r.useMonitorsAll = r.lockByDisconnection;
  r.delay = i % 2 ? "500" : "750";
  r.audioRecording = r.lockByDisconnection;
  r.audioPlayback = i % 2 ? "2" : "0";
  return r;
}

void SettingsFloor(const std::string& folder) {
  const std::string host = folder + settings::kEncipheredFileName, plain = folder + settings::kPlainFileName;
  const std::string hostBytes = platform::ReadWholeFile(host);
  const std::string plainBytes = platform::ReadWholeFile(plain);
  platform::ReplaceFileContent(host, hostBytes, platform::NewFile::Private);
  platform::ReplaceFileContent(plain, plainBytes, platform::NewFile::Shared);
}

std::string MakeEncipheredFile(const testing_support::TestFolder& dir) {
  const std::string path = dir / "SettingsHost.ini";
  platform::ReplaceFileContent(
      path, *storage::EncipherIniText("[Settings]\r\nHOST=rdhost.example\r\nLocalPassword=local\r\nRDGATEWAY=gw\r\n"
                                      "DOMAIN=talo\r\n"),
      platform::NewFile::Private);
  return path;
}

void RewriteOurs(const std::string& path, const std::string& value) {
  storage::CCryptIni ini;
  ini.m_strFileName = path;
  if (ini.Write(value, "HOST", "Settings") == 0) throw std::runtime_error("the rewrite failed");
}

void RewriteFloor(const std::string& path, const std::string& value) {
  if (!platform::PathExists(path)) throw std::runtime_error("the file is missing");
  const std::optional<storage::ByteArray> file = platform::ReadWholeFileUpTo(path, storage::kLargestEncipheredFile);
  const std::optional<std::string> text = file ? storage::DecipherIniFile(*file) : std::nullopt;
  if (!text) throw std::runtime_error("the file does not decipher");
  const std::optional<storage::ByteArray> bytes =
      storage::EncipherIniText(storage::IniWriteString(*text, "Settings", "HOST", value));
  if (!bytes) throw std::runtime_error("cannot encipher");
  platform::ReplaceFileContent(path, *bytes, platform::NewFile::Private);
}

}  // namespace bench
