// The probe on arbitrary bytes, read from memory with the container format detected; a
// loaded file is described the way the application shows it.
#include <cstddef>
#include <cstdint>

#include "probe/TMediaProbe.h"

#include "FuzzLibraries.h"
#include "TMemoryInput.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qarvo::fuzz::LoadEngineLibraries();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qarvo::fuzz::TMemoryInput input(data, size);
  qarvo::TMediaProbe probe;
  if (!probe.LoadStream(input.Context(), "fuzz-input")) return 0;
  (void)probe.FileInfoText();
  (void)probe.FileStreamInfo();
  for (int i = -1; i < probe.StreamCount(); ++i) {
    (void)probe.AudioStreamInfo(i);
    (void)probe.VideoStreamInfo(i);
  }
  (void)probe.StartTime();
  (void)probe.DefaultStreamIndex();
  return 0;
}
