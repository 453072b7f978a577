// Writers for the shipped binary formats: ICO (32-bit BMP payloads), 24-bit BMP, PCM WAV and
// GIF89a (median-cut palette, LZW).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "canvas.hpp"

namespace gen {

using Bytes = std::vector<std::uint8_t>;

// One ICO holding every canvas as a 32-bit image with its AND mask.
Bytes encodeIco(const std::vector<const Canvas*>& images);

// Opaque 24-bit bottom-up BMP file; the canvas is composited over `matte`.
Bytes encodeBmp24(const Canvas& image, Rgba matte);

// 16-bit mono PCM.
Bytes encodeWav(const std::vector<std::int16_t>& samples, int sampleRate);

// Pixels with alpha below `cutoff` become the transparent index; the rest are composited over
// `matte` and reduced to at most 255 colours.
Bytes encodeGif(const Canvas& image, Rgba matte, double cutoff);

// Writes the bytes, creating the parent folders; false on failure.
bool writeFile(const std::string& path, const Bytes& bytes);

}  // namespace gen
