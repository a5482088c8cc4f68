#pragma once
// The entry point every fuzz target defines. Built with clang's libFuzzer it
// is driven by the fuzzer; otherwise the replay driver feeds it the seed
// corpus and deterministic mutations of it.
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
