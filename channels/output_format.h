#pragma once
// The output format the channels convert their sounds to and measure beats
// in: the speaker's format, read afresh on every call.
#include "audio/sound_format.h"

void ReadOutputFormat(WAVEFORMATEX& format);
