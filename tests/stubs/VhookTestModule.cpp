// A frame-processing module for the vhook tests. Built three times: complete, without
// "Process" and without "Configure".
#include <cstdint>
#include <cstring>

namespace {
struct TState {
  int Words = 0;
  int Calls = 0;
};
}  // namespace

extern "C" {

#ifndef QARVO_NO_CONFIGURE
// Fails when the first argument is "fail"; remembers the word count.
__attribute__((visibility("default"))) int Configure(void** ctx, int argc, char* argv[]) {
  if (argc > 1 && std::strcmp(argv[1], "fail") == 0) return 1;
  auto* state = new TState;
  state->Words = argc;
  *ctx = state;
  return 0;
}
#endif

#ifndef QARVO_NO_PROCESS
// Writes the call count into the first luma byte.
__attribute__((visibility("default"))) void Process(void* ctx, void* picture, int, int, int,
                                                    int64_t) {
  auto* state = static_cast<TState*>(ctx);
  if (!state) return;
  ++state->Calls;
  uint8_t** planes = static_cast<uint8_t**>(picture);
  if (planes[0]) planes[0][0] = static_cast<uint8_t>(state->Calls * 16 + state->Words);
}
#endif

__attribute__((visibility("default"))) void Release(void* ctx) { delete static_cast<TState*>(ctx); }
}
