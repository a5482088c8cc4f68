#pragma once
// PNG files of images, for tests and for looking at what the desk drew.
// Paths here are host paths (this is a debugging aid, not a desk file type).
#include <cstdint>
#include <string>
#include <vector>

#include "platform/display.h"

namespace platform {

// Writes an indexed PNG: the pixel indices as they are plus a 256-entry
// palette, so both the indices and the colours survive a round trip.
bool WriteIndexedPng(const std::string& hostPath, int32_t width, int32_t height,
                     const uint8_t* pixels, const Rgb palette[256]);
// Writes an image with the current shared palette.
bool WriteImagePng(const std::string& hostPath, const Image& image);
// Writes an RGB picture (three bytes a pixel, rows without padding).
bool WriteRgbPng(const std::string& hostPath, int32_t width, int32_t height, const uint8_t* rgb);

// Reads an indexed 8-bit PNG as written above. False for anything else.
bool ReadIndexedPng(const std::string& hostPath, int32_t& width, int32_t& height,
                    std::vector<uint8_t>& pixels, std::vector<Rgb>& palette);

}  // namespace platform
