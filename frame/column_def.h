// A column of the user list: which value its rows show, its width, and its title in the header.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace frame {

// What a row shows in a column.
namespace column {
inline constexpr int32_t kName = 0;        // avatar (or the looker mark) and name
inline constexpr int32_t kScore = 1;       // score
inline constexpr int32_t kSilver = 2;      // silver
inline constexpr int32_t kLevel = 3;       // level text
inline constexpr int32_t kWealth = 4;      // wealth title of the silver
inline constexpr int32_t kWatched = 5;     // a looker: the name of the player it watches
inline constexpr int32_t kNothing = 6;     // nothing
inline constexpr int32_t kSecondName = 7;  // second name
inline constexpr int32_t kGender = 8;      // "美女" or "帅哥"
}  // namespace column

struct ColumnDef {
  int32_t id = 0;
  int32_t width = 0;
  std::string title;
  // Carried for callers; nothing reads them.
  uint32_t reserved[3] = {};
};

using ColumnList = std::vector<ColumnDef>;

}  // namespace frame
