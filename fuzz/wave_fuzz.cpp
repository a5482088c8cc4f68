// Wave files: the reader must refuse or load anything, never read past its
// buffers; a loaded wave must convert to every layout.
#include <cstdio>
#include <cstring>

#include "audio/wave.h"
#include "fuzz/fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (file == nullptr) return 0;
  tWave wave;
  if (wave.LoadWaveStream(file) && wave.Frames() < 200000) {
    static const uint16_t kLayouts[4][2] = {{1, 8}, {1, 16}, {2, 8}, {2, 16}};
    for (const auto& layout : kLayouts) {
      WAVEFORMATEX target{};
      target.nChannels = layout[0];
      target.wBitsPerSample = layout[1];
      // Resampled to 22050 Hz while the result stays small; a rate far
      // below keeps its own rate, so that every input runs quickly.
      WAVEFORMATEX own{};
      wave.GetFormat(own);
      const uint64_t rate = own.nSamplesPerSec;
      const bool small = rate != 0 && uint64_t{wave.Frames()} * 22050 / rate <= 400000;
      target.nSamplesPerSec = small ? 22050 : own.nSamplesPerSec;
      tWave copy;
      if (copy.Allocate(wave.Size())) {
        if (wave.Size() > 0) std::memcpy(copy.Data(), wave.Data(), wave.Size());
        copy.SetFormat(own);
        copy.Convert(target);
      }
    }
  }
  std::fclose(file);
  return 0;
}
