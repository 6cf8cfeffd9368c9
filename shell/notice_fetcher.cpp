#include "shell/notice_fetcher.h"

#include "engine/core/engine_log.h"

namespace shell {

bool NoNoticeFetcher::Fetch(const std::string& address, std::string* text) {
  if (text) text->clear();
  engine::WriteGameLog("notice: this client fetches no web pages; %s not read", address.c_str());
  return false;
}

}  // namespace shell
