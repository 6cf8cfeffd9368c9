#include "tests/support/fake_game_server.h"

#include <algorithm>
#include <cstdio>

namespace test {

std::vector<uint8_t> Words(std::initializer_list<uint32_t> words) {
  std::vector<uint8_t> bytes;
  for (uint32_t w : words) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(w >> (8 * i)));
  }
  return bytes;
}

std::string HexWords(const std::vector<uint8_t>& bytes) {
  std::string out;
  char hex[4];
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0 && i % 4 == 0) out += ' ';
    std::snprintf(hex, sizeof hex, "%02x", bytes[i]);
    out += hex;
  }
  return out;
}

void FakeGameServer::Answer(uint32_t request_id, int32_t code, std::vector<uint8_t> body) {
  Script s;
  s.code = code;
  s.body = std::move(body);
  standing_[request_id] = std::move(s);
}

void FakeGameServer::AnswerOnce(uint32_t request_id, int32_t code, std::vector<uint8_t> body) {
  Script s;
  s.code = code;
  s.body = std::move(body);
  once_[request_id].push_back(std::move(s));
}

void FakeGameServer::AnswerAfter(uint32_t request_id, uint32_t delay_ms, int32_t code, std::vector<uint8_t> body) {
  Script s;
  s.code = code;
  s.body = std::move(body);
  s.delay_ms = delay_ms;
  standing_[request_id] = std::move(s);
}

void FakeGameServer::StaySilent(uint32_t request_id) {
  Script s;
  s.silent = true;
  standing_[request_id] = std::move(s);
}

FakeGameServer::Script FakeGameServer::Next(uint32_t request_id) {
  auto queued = once_.find(request_id);
  if (queued != once_.end() && !queued->second.empty()) {
    Script s = std::move(queued->second.front());
    queued->second.pop_front();
    return s;
  }
  auto standing = standing_.find(request_id);
  return standing != standing_.end() ? standing->second : Script{};
}

void FakeGameServer::Push(uint32_t notification_id, const std::vector<uint8_t>& body) {
  transcript_.push_back("push " + std::to_string(notification_id) + " (" + std::to_string(body.size()) + ")");
  net::DeliverNotification(notification_id, body.empty() ? nullptr : body.data(), static_cast<uint32_t>(body.size()));
}

const FakeGameServer::Received* FakeGameServer::Last(uint32_t request_id) const {
  for (auto it = requests_.rbegin(); it != requests_.rend(); ++it) {
    if (it->request_id == request_id) return &*it;
  }
  return nullptr;
}

size_t FakeGameServer::CountOf(uint32_t request_id) const {
  return static_cast<size_t>(std::count_if(requests_.begin(), requests_.end(),
                                           [request_id](const Received& r) { return r.request_id == request_id; }));
}

std::string FakeGameServer::TranscriptText() const {
  std::string text;
  for (const std::string& line : transcript_) text += line + "\n";
  return text;
}

void FakeGameServer::ClearRecord() {
  requests_.clear();
  transcript_.clear();
}

bool FakeGameServer::Send(const net::OutgoingRequest& request) {
  if (!connected_) return false;
  requests_.push_back(Received{request.request_id, request.sequence, request.wants_answer, request.body});
  std::string line = "-> " + std::to_string(request.request_id) + " #" + std::to_string(request.sequence) +
                     (request.wants_answer ? " wait " : " post ") + std::to_string(request.body.size());
  if (!request.body.empty()) line += ": " + HexWords(request.body);
  transcript_.push_back(line);
  if (on_request) on_request(requests_.back());
  if (!request.wants_answer) return true;
  Script s = Next(request.request_id);
  if (s.silent) {
    transcript_.push_back("<- #" + std::to_string(request.sequence) + " silent");
    return true;
  }
  pending_.push_back(Pending{request.sequence, clock_.TickCount() + s.delay_ms, s.code, std::move(s.body)});
  return true;
}

bool FakeGameServer::WaitAnswer(uint32_t sequence, uint32_t timeout_ms, net::Answer* out) {
  // Answers to earlier requests nobody waits for any more are dropped.
  pending_.erase(
      std::remove_if(pending_.begin(), pending_.end(), [sequence](const Pending& p) { return p.sequence < sequence; }),
      pending_.end());
  const uint32_t now = clock_.TickCount();
  for (auto it = pending_.begin(); it != pending_.end(); ++it) {
    if (it->sequence != sequence) continue;
    const uint32_t wait = it->due - now;
    if (static_cast<int32_t>(wait) > 0) {
      if (wait >= timeout_ms) break;  // it comes as the time-out passes: too late
      clock_.Advance(wait);
    }
    transcript_.push_back("<- #" + std::to_string(sequence) + " " + std::to_string(it->code) + " (" +
                          std::to_string(it->body.size()) + ")");
    if (out) {
      out->sequence = sequence;
      out->code = it->code;
      out->body = std::move(it->body);
    }
    pending_.erase(it);
    return true;
  }
  clock_.Advance(timeout_ms);
  return false;
}

}  // namespace test
