// The names of the temporary siblings a replace writes first ("<file>.<process>-<serial>.tmp"),
// and how a leftover of a killed writer is told from every other file of the folder.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Room a sibling name needs after its stem: "." and a process id, "-" and a serial, ".tmp".
inline constexpr std::size_t kSiblingSuffixRoom = 1 + 10 + 1 + 20 + 4;

// What every sibling name of the file `fileName` begins with: the name itself when the
// sibling's longer name still fits in `nameLimit` bytes; otherwise its beginning and a
// hash of the whole name ("<beginning>~<16 hex digits>"), so that the sibling fits and
// two long names that begin alike still have siblings of their own.
std::string SiblingStem(std::string_view fileName, std::size_t nameLimit);

// The stem of a sibling name "<stem>.<digits>-<digits>.tmp"; nothing for any other name.
std::optional<std::string_view> StemOfSiblingName(std::string_view name);

// Whether `name` is a sibling name of this stem, the stems compared exactly (`foldCase`
// compares ASCII letters without regard to case, as Windows compares names).
bool IsSiblingName(std::string_view name, std::string_view stem, bool foldCase);

}  // namespace platform
