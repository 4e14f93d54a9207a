// Decoders for the asset tests, written straight on libpng, libjpeg,
// libvorbisfile and FreeType: an independent check of what the tool wrote.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assettest {

std::string ProgramDir();
std::vector<uint8_t> ReadBytes(const std::string& path);

struct Image {
  int width = 0, height = 0;
  bool has_alpha = false;      // the file itself carries an alpha channel
  std::vector<uint8_t> rgba;   // width * height * 4
  const uint8_t* At(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

// Empty image (width 0) when the bytes do not decode.
Image DecodePng(const std::vector<uint8_t>& bytes);
Image DecodeJpeg(const std::vector<uint8_t>& bytes);
Image DecodePicture(const std::string& name, const std::vector<uint8_t>& bytes);

// Relative luminance of an sRGB colour, for contrast ratios.
double Luminance(double r, double g, double b);
// (lighter + 0.05) / (darker + 0.05)
double Contrast(double l1, double l2);

struct Audio {
  int channels = 0, rate = 0;
  std::vector<int16_t> samples;  // interleaved
  size_t Frames() const { return channels ? samples.size() / channels : 0; }
};
// channels 0 when the bytes are not Ogg Vorbis.
Audio DecodeVorbis(const std::vector<uint8_t>& bytes);

// Records of the picture archive, read by the format: white space, a name of
// 1 to 50 bytes, white space, decimal size, the data. `ok` false on any
// deviation; `rest` is what follows the fourth record.
struct ArchiveRecord {
  std::string name;
  std::vector<uint8_t> data;
};
struct Archive {
  bool ok = false;
  std::vector<ArchiveRecord> records;
  std::vector<uint8_t> rest;
};
Archive ReadArchive(const std::vector<uint8_t>& bytes, int count);

}  // namespace assettest
