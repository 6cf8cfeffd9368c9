// The text renderer drawing one 40-character GBK line 1,000 times, beside SDL2_ttf rendering the
// same line from the same font file at the same size. The renderer draws into an existing
// surface; SDL2_ttf makes a new surface per line (its "blit" variant also copies that surface
// into a destination, which is what a caller of it would have to do).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/ui/font_renderer.h"
#include "platform/font.h"
#include "platform/gbk.h"

#if defined(ZP_HAVE_SDL2_TTF)
#include <SDL_ttf.h>
#endif

namespace {

constexpr int kDraws = 1000;
constexpr int kHeight = 16;
constexpr int kSurfaceWidth = 800;
constexpr int kSurfaceHeight = 24;
// 38 Chinese characters and "OK": 40 characters, 78 bytes of GBK.
const char* const kLine = "欢迎来到字牌游戏大厅，祝您玩得开心。今天的对手都很厉害，请认真打好每一张牌！OK";

void DrawWithRenderer(benchmark::State& state, uint32_t background) {
  engine::FontRenderer renderer;
  engine::FontRecord record{};
  renderer.GetFont(&record);
  record.height = kHeight;
  renderer.SetFont(&record);
  std::vector<uint32_t> surface(kSurfaceWidth * kSurfaceHeight, background);
  for (auto _ : state) {
    for (int i = 0; i < kDraws; ++i) {
      renderer.DrawText(surface.data(), kSurfaceWidth, kSurfaceHeight, 0, 4, kLine, 0);
    }
    benchmark::DoNotOptimize(surface.data());
  }
  state.SetItemsProcessed(state.iterations() * kDraws);
}

// Anti-aliased, blended into an opaque surface.
void BM_Renderer_Smooth(benchmark::State& state) { DrawWithRenderer(state, 0xFFFFFFFF); }
// Without anti-aliasing, on a transparent (keyed) surface.
void BM_Renderer_Sharp(benchmark::State& state) { DrawWithRenderer(state, 0); }
BENCHMARK(BM_Renderer_Smooth)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Renderer_Sharp)->Unit(benchmark::kMillisecond);

#if defined(ZP_HAVE_SDL2_TTF)
enum class TtfMode { kBlended, kBlendedBlit, kSolid };

void DrawWithSdlTtf(benchmark::State& state, TtfMode mode) {
  const platform::FontFileRef file = platform::FindFontFile(engine::kDefaultFaceName, false);
  if (TTF_Init() != 0) {
    state.SkipWithError("TTF_Init failed");
    return;
  }
  TTF_Font* font = TTF_OpenFontIndex(file.path.c_str(), kHeight, file.index);
  if (!font) {
    state.SkipWithError("TTF_OpenFontIndex failed");
    TTF_Quit();
    return;
  }
  const std::string utf8 = platform::GbkToUtf8(kLine);
  SDL_Surface* target = SDL_CreateRGBSurfaceWithFormat(0, kSurfaceWidth, kSurfaceHeight, 32, SDL_PIXELFORMAT_ARGB8888);
  const SDL_Color black{0, 0, 0, 255};
  for (auto _ : state) {
    for (int i = 0; i < kDraws; ++i) {
      SDL_Surface* line = mode == TtfMode::kSolid ? TTF_RenderUTF8_Solid(font, utf8.c_str(), black)
                                                  : TTF_RenderUTF8_Blended(font, utf8.c_str(), black);
      if (mode == TtfMode::kBlendedBlit && line && target) {
        SDL_Rect at{0, 4, 0, 0};
        SDL_BlitSurface(line, nullptr, target, &at);
      }
      benchmark::DoNotOptimize(line);
      SDL_FreeSurface(line);
    }
  }
  state.SetItemsProcessed(state.iterations() * kDraws);
  SDL_FreeSurface(target);
  TTF_CloseFont(font);
  TTF_Quit();
}

void BM_SdlTtf_Blended(benchmark::State& state) { DrawWithSdlTtf(state, TtfMode::kBlended); }
void BM_SdlTtf_BlendedBlit(benchmark::State& state) { DrawWithSdlTtf(state, TtfMode::kBlendedBlit); }
void BM_SdlTtf_Solid(benchmark::State& state) { DrawWithSdlTtf(state, TtfMode::kSolid); }
BENCHMARK(BM_SdlTtf_Blended)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SdlTtf_BlendedBlit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SdlTtf_Solid)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
