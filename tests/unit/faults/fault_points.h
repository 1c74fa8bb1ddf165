// Fault injection through the platform's file seam: an operation is run once without
// faults to learn its file primitives (open, read, write, flush, rename, delete), then
// once per primitive, from the same starting files, with exactly that one failing.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/fault.h"

namespace faults {

// Every file under a folder: name relative to the folder -> bytes.
using Tree = std::map<std::string, std::string>;
Tree ReadTree(const std::string& folder);

struct Primitive {
  platform::FileOp op;
  std::string path;
};
std::string Describe(const Primitive& p);

// What the caller of the operation was told.
struct Outcome {
  bool failed = false;
  std::string message;  // the error's text, when there was one
};

struct FaultPoint {
  std::size_t index = 0;  // which primitive failed, 0 for the first
  Primitive primitive;
  Outcome outcome;
  Tree after;  // the folder once the operation returned
};

struct FaultRun {
  std::vector<Primitive> primitives;  // of the fault-free run, in order
  Tree start;                         // the folder before the operation
  std::vector<Tree> statesSeen;       // before each primitive of the fault-free run, and after its end
  Outcome faultFree;
  std::vector<FaultPoint> points;  // one per primitive
};

// `prepare` fills an empty folder with the starting files; `operation` runs on it and
// reports what its caller is told. Each run gets a fresh folder.
FaultRun RunWithEveryFault(const std::function<void(const std::string& folder)>& prepare,
                           const std::function<Outcome(const std::string& folder)>& operation);

// The file's deciphered INI text in a tree: nothing when the file is absent, and
// "<does not decipher>" when it does not decipher.
std::optional<std::string> EncipheredText(const Tree& tree, const std::string& name);

// Every deciphered text (or absence) the file had in the fault-free run.
std::set<std::optional<std::string>> EncipheredTextsSeen(const FaultRun& run, const std::string& name);

// Files (in the tree, or directly in the temporary folder) whose bytes hold one of the
// secrets, as "file: secret".
std::vector<std::string> PlaintextLeaks(const Tree& tree, const std::vector<std::string>& secrets);

}  // namespace faults
