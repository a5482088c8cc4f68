#include "mix/output_rate.h"

#include "audio/audio_setup.h"

uint32_t OutputRate() {
  WAVEFORMATEX format{};
  GetOutputFormat(format);
  return format.nSamplesPerSec;
}
