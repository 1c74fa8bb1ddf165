#include "tests/unit/faults/fault_points.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/paths.h"
#include "storage/crypt_ini.h"
#include "tests/unit/test_folder.h"

namespace faults {
namespace {

namespace fs = std::filesystem;

std::string Bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace

// Read with the standard library, not through the seam: the fault hook never sees it.
Tree ReadTree(const std::string& folder) {
  Tree tree;
  const fs::path root = fs::u8path(folder);
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) tree[fs::relative(entry.path(), root).generic_u8string()] = Bytes(entry.path());
  }
  return tree;
}

std::string Describe(const Primitive& p) { return std::string(platform::FileOpName(p.op)) + " " + p.path; }

FaultRun RunWithEveryFault(const std::function<void(const std::string& folder)>& prepare,
                           const std::function<Outcome(const std::string& folder)>& operation) {
  FaultRun run;
  {
    testing_support::TestFolder dir;
    prepare(dir.path());
    run.start = ReadTree(dir.path());
    {
      platform::ScopedFaultHook hook([&](platform::FileOp op, const std::string& path) {
        run.primitives.push_back({op, path});
        run.statesSeen.push_back(ReadTree(dir.path()));
        return false;
      });
      run.faultFree = operation(dir.path());
    }
    run.statesSeen.push_back(ReadTree(dir.path()));
  }
  for (std::size_t failing = 0; failing < run.primitives.size(); ++failing) {
    testing_support::TestFolder dir;
    prepare(dir.path());
    FaultPoint point;
    point.index = failing;
    point.primitive = run.primitives[failing];
    {
      std::size_t call = 0;
      platform::ScopedFaultHook hook([&](platform::FileOp op, const std::string& path) {
        if (call++ != failing) return false;
        // Report the primitive that really failed: a run may take another path than the
        // fault-free one once an earlier step went differently.
        point.primitive = {op, path};
        return true;
      });
      point.outcome = operation(dir.path());
    }
    point.after = ReadTree(dir.path());
    run.points.push_back(std::move(point));
  }
  return run;
}

std::optional<std::string> EncipheredText(const Tree& tree, const std::string& name) {
  const auto it = tree.find(name);
  if (it == tree.end()) return std::nullopt;
  return storage::DecipherIniFile(it->second).value_or("<does not decipher>");
}

std::set<std::optional<std::string>> EncipheredTextsSeen(const FaultRun& run, const std::string& name) {
  std::set<std::optional<std::string>> texts;
  for (const Tree& state : run.statesSeen) texts.insert(EncipheredText(state, name));
  return texts;
}

std::vector<std::string> PlaintextLeaks(const Tree& tree, const std::vector<std::string>& secrets) {
  std::vector<std::string> leaks;
  auto look = [&](const std::string& file, const std::string& bytes) {
    for (const std::string& secret : secrets)
      if (bytes.find(secret) != std::string::npos) leaks.push_back(file + ": " + secret);
  };
  for (const auto& [name, bytes] : tree) look(name, bytes);
  // The temporary folder, where a deciphered copy would go; only its own files, not the
  // folders of other programs in it.
  std::error_code error;
  for (fs::directory_iterator it(fs::u8path(platform::TempDirectory()), error), end; !error && it != end;
       it.increment(error)) {
    std::error_code ignored;
    if (it->is_regular_file(ignored) && it->file_size(ignored) < (1u << 20))
      look(it->path().u8string(), Bytes(it->path()));
  }
  return leaks;
}

}  // namespace faults
