// SDL's memory functions wrapped: each request is measured, then handed to the functions that
// were in place before, so blocks made before and during the watch are freed alike.
#include "platform/sdl_memory_watch.h"

#include <SDL2/SDL.h>

#include <atomic>
#include <cstdint>

namespace platform {
namespace {

SDL_malloc_func g_malloc = nullptr;
SDL_calloc_func g_calloc = nullptr;
SDL_realloc_func g_realloc = nullptr;
SDL_free_func g_free = nullptr;
std::atomic<size_t> g_largest{0};

void Note(size_t bytes) {
  size_t seen = g_largest.load();
  while (bytes > seen && !g_largest.compare_exchange_weak(seen, bytes)) {
  }
}

void* WatchedMalloc(size_t size) {
  Note(size);
  return g_malloc(size);
}

void* WatchedCalloc(size_t count, size_t size) {
  Note(size != 0 && count > SIZE_MAX / size ? SIZE_MAX : count * size);
  return g_calloc(count, size);
}

void* WatchedRealloc(void* block, size_t size) {
  Note(size);
  return g_realloc(block, size);
}

void WatchedFree(void* block) { g_free(block); }

}  // namespace

ScopedSdlMemoryWatch::ScopedSdlMemoryWatch() {
  SDL_GetMemoryFunctions(&g_malloc, &g_calloc, &g_realloc, &g_free);
  g_largest = 0;
  SDL_SetMemoryFunctions(WatchedMalloc, WatchedCalloc, WatchedRealloc, WatchedFree);
}

ScopedSdlMemoryWatch::~ScopedSdlMemoryWatch() { SDL_SetMemoryFunctions(g_malloc, g_calloc, g_realloc, g_free); }

size_t ScopedSdlMemoryWatch::LargestBlock() const { return g_largest.load(); }

}  // namespace platform
