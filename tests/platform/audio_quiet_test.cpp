// ctest-labels: sound tsan
// Without a sound card the client says so in one line of its own: nothing of ALSA's.
#include "platform/audio_quiet.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>

#include "platform/files.h"
#include "platform/sound_channel.h"

namespace {

// Everything the process writes on stderr while body runs.
template <typename Body>
std::string CaptureStderr(Body body) {
  std::fflush(stderr);
  const int saved = ::dup(2);
  const int file = ::open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ::dup2(file, 2);
  ::close(file);
  body();
  std::fflush(stderr);
  ::dup2(saved, 2);
  ::close(saved);
  std::vector<uint8_t> bytes;
  platform::ReadFileBytes("stderr.txt", &bytes);
  return std::string(bytes.begin(), bytes.end());
}

TEST(AudioQuietTest, OpeningTheAudioDeviceThroughAlsaPrintsNothingOfAlsasOwn) {
  // The real driver, as the client uses it (the tests otherwise run on SDL's dummy driver).
  setenv("SDL_AUDIODRIVER", "alsa", 1);
  bool opened = false;
  const std::string err = CaptureStderr([&] {
    std::unique_ptr<platform::SoundBackend> backend = platform::MakeSdlSoundBackend();
    opened = backend->Init(44100);
    backend->Free();
  });
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  EXPECT_EQ(err.find("ALSA lib"), std::string::npos) << err;
  if (!opened) {
    // Our own line, and only it.
    EXPECT_NE(err.find("sound: "), std::string::npos) << err;
    EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
  }
}

}  // namespace
