// One decode's allowance of memory and work.
//
// A file may claim anything in its headers, and each library a reader calls spends memory and
// time in its own ways. Bounds written for one path at a time leave the next path open, so every
// decode (a picture, a song made into a stream) draws on one budget instead, set from its claim:
// the bytes of what it decodes to and the file's own bytes. Whatever takes memory for the decode
// (our buffers, libpng's and libmng's allocators, libjpeg's memory manager, FluidSynth's song)
// takes it from the budget and gives it back when freed; whatever does work (bytes inflated,
// strips and tiles decoded, JPEG scans over their blocks, MIDI events rewritten and rendered)
// spends units of it. When either runs out the decode stops and the file is refused with the
// budget's reason. A path nobody costed runs out of the same allowance.
//
// A unit of work is about what a plain loop spends on one byte of samples: a nanosecond or two.
// Each place that spends work says how many units its step is worth.
//
// The budget of the decode running on a thread is found with CurrentDecodeBudget(), so a
// library's allocation callback, which knows nothing of the decode, draws on it; a decode inside
// another (a JPEG stream of a TIFF, a PNG inside an icon) draws on the outer one's.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

class DecodeBudget {
 public:
  // What any decode may spend before its claim is known (headers, tables, a library's state)
  // and on top of it after.
  static constexpr uint64_t kBaseMemoryBytes = uint64_t{16} << 20;
  static constexpr uint64_t kBaseWork = uint64_t{1} << 26;
  // Work a byte of the claim (the frame's bytes, the file's bytes) allows: enough for an honest
  // decoder to go over each byte a few dozen times (interlaced passes, colour conversion, a
  // progressive JPEG's scans).
  static constexpr uint64_t kWorkPerClaimedByte = 64;

  // A budget of these limits outright (a song's, say, whose claim is not a frame).
  DecodeBudget(uint64_t memory_limit, uint64_t work_limit);
  // A picture file's before its claim is read: the base allowance and the file's bytes.
  static DecodeBudget ForFile(uint64_t file_bytes);

  // The claim a reader has read and checked: the frame it decodes to (all frames of an
  // animation), and what it must keep beside it (a quarter of the frame unless the reader says
  // more: a progressive JPEG's coefficients, two rows of libpng's). The limits grow to the file's
  // bytes, the frame, what is beside it and the base; work to kWorkPerClaimedByte a byte of the
  // frame and the file, and the base. A later claim raises them only (a reader of a part of the
  // file, inside another, claims its own part).
  void SetClaim(uint64_t frame_bytes, uint64_t beside_bytes);
  void SetClaim(uint64_t frame_bytes) { SetClaim(frame_bytes, frame_bytes / 4); }

  // Memory taken for the decode: false, and nothing taken, when it would go past the limit.
  bool Take(uint64_t bytes);
  // Memory given back (at most what was taken).
  void Give(uint64_t bytes);
  // Work done: false when the decode has now gone past its limit (it should stop).
  bool Spend(uint64_t units);

  // Whether memory or work ran out, and why (a sentence without the format's name), or null.
  bool exhausted() const { return problem_ != nullptr; }
  const char* problem() const { return problem_; }

  uint64_t memory_limit() const { return memory_limit_; }
  uint64_t work_limit() const { return work_limit_; }
  uint64_t in_use() const { return in_use_; }
  uint64_t peak() const { return peak_; }
  uint64_t work_done() const { return work_done_; }

 private:
  uint64_t file_bytes_ = 0;
  uint64_t frame_bytes_ = 0;
  uint64_t beside_bytes_ = 0;
  uint64_t memory_limit_;
  uint64_t work_limit_;
  uint64_t in_use_ = 0;
  uint64_t peak_ = 0;
  uint64_t work_done_ = 0;
  const char* problem_ = nullptr;
};

// The budget of the decode running on this thread, or null when none is.
DecodeBudget* CurrentDecodeBudget();

// Makes `budget` this thread's current one for the scope, unless one is current already (a decode
// inside another draws on the outer one's). The outermost scope's budget, once it ends, is what
// LastDecodeSpending() tells.
class ScopedDecodeBudget {
 public:
  explicit ScopedDecodeBudget(DecodeBudget* budget);
  ~ScopedDecodeBudget();
  ScopedDecodeBudget(const ScopedDecodeBudget&) = delete;
  ScopedDecodeBudget& operator=(const ScopedDecodeBudget&) = delete;

  // The budget in force: `budget`, or the outer one.
  DecodeBudget* budget() const { return current_; }

 private:
  DecodeBudget* current_;
  bool outermost_;
};

// What the last outermost decode on this thread spent, and was allowed.
struct DecodeSpending {
  uint64_t peak = 0;
  uint64_t work = 0;
  uint64_t memory_limit = 0;
  uint64_t work_limit = 0;
  std::string problem;  // empty when it did not run out
};
DecodeSpending LastDecodeSpending();

}  // namespace platform
