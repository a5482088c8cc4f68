#include "channels/output_format.h"

#include "audio/audio_setup.h"

void ReadOutputFormat(WAVEFORMATEX& format) {
  GetOutputFormat(format);
}
