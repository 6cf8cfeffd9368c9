// A contact sheet of the generated skin, for judging its look: the named pictures (all when
// none is named), each with its frames side by side, read back from the packages in `folder`
// and laid half on the table's green, half on light paper.
#pragma once

#include <string>
#include <vector>

#include "app/skin-gen/skin_inventory.h"

namespace skin {

// Names in UTF-8. Returns the exit status: 0 written; 1 when a name is no picture of the skin, a
// package does not open, or a picture is missing from them (the others are drawn).
int WriteSheet(const std::string& folder, const std::string& out_png, const std::vector<std::string>& names);

}  // namespace skin
