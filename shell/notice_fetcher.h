// Fetching the game's notice text from the platform's web server. This client has no web
// fetcher: NoNoticeFetcher reports nothing. A fetcher answers on the caller's thread.
#pragma once

#include <string>

namespace shell {

class NoticeFetcher {
 public:
  virtual ~NoticeFetcher() = default;
  // The text at the address; false when there is none.
  virtual bool Fetch(const std::string& address, std::string* text) = 0;
};

class NoNoticeFetcher final : public NoticeFetcher {
 public:
  bool Fetch(const std::string& address, std::string* text) override;
};

}  // namespace shell
