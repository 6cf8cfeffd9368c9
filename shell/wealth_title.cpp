#include "shell/wealth_title.h"

namespace shell {
namespace {

struct WealthStep {
  int32_t from;
  const char* title;
};

constexpr WealthStep kSteps[] = {
    {10000000, "首富"}, {5000000, "巨富"}, {1000000, "大富豪"}, {500000, "富豪"},
    {100000, "大富翁"}, {50000, "富翁"},   {10000, "财主"},     {1000, "小康"},
};

}  // namespace

void GetWealthTitle(int32_t silver, std::string* text) {
  if (text == nullptr) return;
  for (const WealthStep& step : kSteps) {
    if (silver >= step.from) {
      *text = step.title;
      return;
    }
  }
  *text = "平民";
}

}  // namespace shell
