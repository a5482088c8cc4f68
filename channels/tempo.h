#pragma once
// The desk's tempo in beats per minute and the length of a beat in output
// frames. Read by the tick thread, set by the main thread.
#include <cstdint>

// Stores the tempo as given (initially 130).
void SetTempo(int32_t bpm);
int32_t GetTempo();

// trunc(rate * 60.0 / tempo) for the current output rate, computed afresh
// on every call, held to 1 .. 2^31 - 1: a tempo of 0 or below gives
// 2^31 - 1, so that beat arithmetic never divides by zero.
int32_t SamplesPerBeat();
// The same for a given rate, for callers that already hold the format.
int32_t SamplesPerBeatAt(uint32_t rate);

// The engine clock's time of beat 0: the quantize grid and the metronome
// count beats from it. The desk sets it where it starts the clock (0 but for
// tests that start the clock elsewhere, such as shortly before it wraps).
void SetGridOrigin(uint32_t time);
uint32_t GridOrigin();

// A length of beats in frames: trunc(samplesPerBeat * beats), held to
// 0 .. 2^31 - 1 (a negative, not-a-number or huge value cannot wrap around
// the clock).
uint32_t BeatsToFrames(int32_t samplesPerBeat, double beats);
