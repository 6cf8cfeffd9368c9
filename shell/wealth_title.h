// The wealth title shown for an amount of silver (the user list's wealth column).
//
//   below 1 000: 平民        from 1 000: 小康       from 10 000: 财主
//   from 50 000: 富翁        from 100 000: 大富翁   from 500 000: 富豪
//   from 1 000 000: 大富豪   from 5 000 000: 巨富   from 10 000 000: 首富
#pragma once

#include <cstdint>
#include <string>

namespace shell {

void GetWealthTitle(int32_t silver, std::string* text);

}  // namespace shell
