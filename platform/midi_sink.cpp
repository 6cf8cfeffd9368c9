// Which sink the MIDI mapper device plays into.
#include "platform/midi_sink.h"

#include <memory>
#include <mutex>

#include "platform/fluidsynth_sink.h"

namespace platform {

namespace {

std::mutex g_mutex;
MidiSink* g_installed = nullptr;
std::unique_ptr<FluidSynthSink> g_synthesiser;
bool g_synthesiser_tried = false;

}  // namespace

void SetMidiMapperSink(MidiSink* sink) {
  std::lock_guard lock(g_mutex);
  g_installed = sink;
}

MidiSink* MidiMapperSink() {
  std::lock_guard lock(g_mutex);
  if (g_installed != nullptr) return g_installed;
  // Tried once: a machine without sound does not retry (and report) on every song.
  if (!g_synthesiser_tried) {
    g_synthesiser_tried = true;
    g_synthesiser = FluidSynthSink::Create();
  }
  return g_synthesiser.get();
}

}  // namespace platform
