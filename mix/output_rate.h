#pragma once
// The speaker output's frames per second: the rate of the engine clock.
#include <cstdint>

uint32_t OutputRate();
