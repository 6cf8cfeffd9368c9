// What the MIDI fuzz targets do with one input. Shared with the regression test that replays
// the inputs kept under tests/data/fuzz, so a crash found once stays fixed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "engine/media/midi_file.h"
#include "engine/media/midi_stream_player.h"
#include "fuzz/scratch_file.h"
#include "platform/clock.h"
#include "platform/diagnostics.h"
#include "platform/fluidsynth_song.h"
#include "platform/midi_recorder.h"
#include "platform/midi_sink.h"
#include "platform/sound_channel.h"
#include "platform/sound_channel_null.h"
#include "platform/sound_midi.h"

namespace fuzz {

// Reads every event of every track, rewinds each track and reads its first event again.
inline void ParseMidi(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> file(data, size);
  engine::MidiFileHeader header;
  std::string why;
  if (!engine::ReadMidiFileHeader(file, &header, &why)) return;
  engine::MidiEvent event;
  const char* error_text = nullptr;
  for (engine::MidiTrack& track : header.tracks) {
    // Every event takes at least one byte of the track, so this ends within its length.
    while (engine::ReadMidiEvent(file, track, &event, &error_text)) {
    }
    engine::RewindMidiTrack(file, track);
    engine::ReadMidiEvent(file, track, &event, &error_text);
  }
}

// Reads the song for FluidSynth's reader and writes it anew. Writing finds what reading alone
// found (the claim a stream's budget is set from); the song written is at most three times the
// file's size (an event of two bytes or more gains a few bytes), reads whole with the engine's
// reader as one track that ends with its end-of-track event, and written anew again is itself.
inline void RewriteMidiForFluidSynth(const uint8_t* data, size_t size) {
  constexpr uint64_t kMaxUs = 60000000;
  const std::span<const uint8_t> file(data, size);
  platform::FluidSynthSong claim, song, again;
  std::string why;
  const platform::FluidSynthSongReading read = platform::ReadSongForFluidSynth(file, kMaxUs, false, &claim, &why);
  if (platform::ReadSongForFluidSynth(file, kMaxUs, true, &song, &why) != read) __builtin_trap();
  if (read != platform::FluidSynthSongReading::kRead) return;
  if (claim.size != song.bytes.size() || claim.events != song.events || claim.ticks != song.ticks ||
      claim.length_us != song.length_us) {
    __builtin_trap();
  }
  if (song.bytes.size() > 3 * uint64_t{size} + 32 || song.events > size) __builtin_trap();
  engine::MidiFileHeader header;
  if (!engine::ReadMidiFileHeader(song.bytes, &header, &why) || header.tracks.size() != 1) __builtin_trap();
  engine::MidiEvent event;
  const char* error_text = nullptr;
  uint64_t events = 0;
  while (engine::ReadMidiEvent(song.bytes, header.tracks[0], &event, &error_text)) ++events;
  if (!header.tracks[0].Ended() || error_text != nullptr || events != song.events) __builtin_trap();
  if (platform::ReadSongForFluidSynth(song.bytes, kMaxUs, true, &again, &why) != platform::FluidSynthSongReading::kRead ||
      again.bytes != song.bytes) {
    __builtin_trap();
  }
}

// A sound font of one preset (bank 0, program 0): an instrument of a looped sine of 64 samples.
// The General MIDI font takes 40 ms to load, a thousand times what a fuzz input may; with this
// one the notes of program 0 still sound, and the rest find no preset.
inline std::vector<uint8_t> TinySoundFont() {
  auto le = [](std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
  };
  auto name = [](std::vector<uint8_t>& out, const char* text) {
    std::string padded(text);
    padded.resize(20, '\0');
    out.insert(out.end(), padded.begin(), padded.end());
  };
  auto chunk = [&](const char* id, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> out(id, id + 4);
    le(out, static_cast<uint32_t>(body.size()), 4);
    out.insert(out.end(), body.begin(), body.end());
    return out;
  };
  auto list = [&](const char* kind, const std::vector<std::vector<uint8_t>>& chunks) {
    std::vector<uint8_t> body(kind, kind + 4);
    for (const std::vector<uint8_t>& c : chunks) body.insert(body.end(), c.begin(), c.end());
    return chunk("LIST", body);
  };
  std::vector<uint8_t> ifil, smpl, phdr, pbag, pmod(10, 0), pgen, inst, ibag, imod(10, 0), igen, shdr;
  le(ifil, 2, 2);
  le(ifil, 1, 2);
  // A square wave of 32 samples a period, and the 46 silent samples a sample is followed by.
  for (int i = 0; i < 64 + 46; ++i) le(smpl, i >= 64 ? 0 : i % 32 < 16 ? 12000 : 0x10000 - 12000, 2);
  for (const auto& [text, bag] : {std::pair{"tone", 0}, std::pair{"EOP", 1}}) {
    name(phdr, text);
    le(phdr, 0, 2);  // preset
    le(phdr, 0, 2);  // bank
    le(phdr, bag, 2);
    for (int word = 0; word < 3; ++word) le(phdr, 0, 4);  // library, genre, morphology
  }
  for (uint32_t word : {0u, 0u, 1u, 0u}) le(pbag, word, 2);  // generators and modulators from
  for (uint32_t word : {41u, 0u, 0u, 0u}) le(pgen, word, 2);  // the instrument: 0
  name(inst, "tone");
  le(inst, 0, 2);
  name(inst, "EOI");
  le(inst, 1, 2);
  for (uint32_t word : {0u, 0u, 2u, 0u}) le(ibag, word, 2);
  for (uint32_t word : {54u, 1u, 53u, 0u, 0u, 0u}) le(igen, word, 2);  // looped, the sample: 0
  name(shdr, "tone");
  for (uint32_t word : {0u, 64u, 8u, 40u, 44100u}) le(shdr, word, 4);  // start, end, loop, rate
  le(shdr, 60, 1);  // its pitch
  le(shdr, 0, 1);
  le(shdr, 0, 2);
  le(shdr, 1, 2);  // mono
  name(shdr, "EOS");
  shdr.resize(shdr.size() + 26, 0);
  std::vector<uint8_t> body = {'s', 'f', 'b', 'k'};
  for (const std::vector<uint8_t>& part :
       {list("INFO", {chunk("ifil", ifil)}), list("sdta", {chunk("smpl", smpl)}),
        list("pdta", {chunk("phdr", phdr), chunk("pbag", pbag), chunk("pmod", pmod), chunk("pgen", pgen),
                      chunk("inst", inst), chunk("ibag", ibag), chunk("imod", imod), chunk("igen", igen),
                      chunk("shdr", shdr)})}) {
    body.insert(body.end(), part.begin(), part.end());
  }
  return chunk("RIFF", body);
}

// Makes a MIDI stream of the song as the client does (read, written anew, rendered by FluidSynth
// into a wave within its one budget) on the null sound channels, with the small sound font
// written into the working folder, and frees it. A stream made must last as long as the song.
// Songs longer than 10 s are only read: their rendering does the same block after block, and 47 s
// of FluidSynth's 256 voices take 9 s here, past what an input may.
inline void MakeMidiStream(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    static platform::NullSoundBackend channels;
    platform::InstallSoundBackend(&channels);
    const std::vector<uint8_t> font = TinySoundFont();
    if (!platform::BASS_Init(-1, 44100, 0, nullptr, nullptr) || !WriteScratch("tiny.sf2", font.data(), font.size())) {
      return false;
    }
    const platform::BASS_MIDI_FONT entry{platform::BASS_MIDI_FontInit("tiny.sf2", 0), -1, 0};
    return entry.font != 0 && platform::BASS_MIDI_StreamSetFonts(0, &entry, 1);
  }();
  if (!ready) __builtin_trap();
  platform::FluidSynthSong song;
  std::string why;
  if (platform::ReadSongForFluidSynth({data, size}, 10000000, false, &song, &why) ==
      platform::FluidSynthSongReading::kTooLong) {
    return;
  }
  const platform::ProblemSink previous = platform::SetProblemSink([](const std::string&) {});
  const platform::HSTREAM stream = platform::BASS_MIDI_StreamCreateFile(true, data, 0, size, 0, 0);
  platform::SetProblemSink(previous);
  if (stream == 0) return;
  const uint64_t length_ms = platform::BASS_ChannelGetLength(stream, platform::BASS_POS_BYTE) / 4 * 1000 / 44100;
  if (length_ms < song.ticks || length_ms > song.ticks + 5) __builtin_trap();
  platform::BASS_StreamFree(stream);
}

// Loads the song into a stream player that plays into a recorder on a manual clock, then plays
// it for a few hundred milliseconds: loading fills both stream buffers, and every buffer the
// device gives back is filled again. The song loops when the input's last byte is odd (bytes
// after the last track are not read), so that the rewind is reached too.
inline void PlayMidi(const uint8_t* data, size_t size) {
  platform::ScopedManualClock clock;
  platform::MidiRecorder recorder;
  platform::SetMidiMapperSink(&recorder);
  {
    engine::MidiStreamPlayer player;
    if (player.Load(data, size, nullptr) == 1) {
      player.SetTempoPercent(400);
      player.Play(size > 0 && (data[size - 1] & 1) != 0);
      player.WaitUntilSettled();
      for (int i = 0; i < 40; ++i) {
        clock->Advance(10);
        player.WaitUntilSettled();
      }
      player.Stop(false);
    }
  }
  platform::SetMidiMapperSink(nullptr);
}

}  // namespace fuzz
