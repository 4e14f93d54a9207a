// Writes the hand-made seed corpora into OUT/<harness>/: small files of every
// kind the program folder has no example of (TGA, BMP of each header size,
// WAV, short and chained Ogg, PNG and JPEG variants, scores files, text with
// every line ending, small archives). Made with the test suite's own fixture
// makers, so the seeds are the same bytes on every build.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/audio/audio_fixtures.h"
#include "tests/pixmap/fixtures.h"

namespace fs = std::filesystem;

namespace {

fs::path out;

void Put(const std::string& harness, const std::string& name, const std::string& bytes) {
  const fs::path dir = out / harness;
  fs::create_directories(dir);
  std::FILE* f = std::fopen((dir / name).c_str(), "wb");
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) {
    std::perror((dir / name).c_str());
    std::exit(1);
  }
}

std::string Le32(int32_t v) {
  std::string s;
  Put32(s, static_cast<uint32_t>(v));
  return s;
}

void Pictures() {
  // TGA: both kinds, every depth, every origin.
  const int depths[] = {15, 16, 24, 32};
  for (int bits : depths) {
    const int bytes = (bits + 7) / 8;
    std::string pixels;
    for (int i = 0; i < 3 * 2 * bytes; ++i) pixels.push_back(static_cast<char>(i * 37 + 5));
    Put("pixmap", "tga2-" + std::to_string(bits) + ".tga", TgaHeader(2, 3, 2, bits) + pixels);
    // A repeat packet of 4 crossing a row, then 2 raw pixels.
    std::string rle = TgaHeader(10, 3, 2, bits, 3, 0, 0x20);
    rle += "id!";
    rle.push_back(static_cast<char>(0x83));
    rle += pixels.substr(0, bytes);
    rle.push_back(0x01);
    rle += pixels.substr(0, 2 * bytes);
    Put("pixmap", "tga10-" + std::to_string(bits) + ".tga", rle);
  }
  Put("pixmap", "tga-right-to-left.tga", TgaHeader(2, 2, 1, 24, 0, 0, 0x10) + "abcdef");

  // BMP: every depth, and every information header size the loader knows.
  std::vector<uint32_t> grey16, grey256;
  for (uint32_t i = 0; i < 16; ++i) grey16.push_back(i * 0x111111);
  for (uint32_t i = 0; i < 256; ++i) grey256.push_back(i * 0x010101);
  for (uint32_t size : {12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u}) {
    const std::string s = std::to_string(size);
    Put("pixmap", "bmp" + s + "-24.bmp",
        BmpOfInfoSize(size, 2, 2, 24, {}, std::string("\1\2\3\4\5\6\0\0\7\10\11\12\13\14\0\0", 16)));
    Put("pixmap", "bmp" + s + "-4.bmp", BmpOfInfoSize(size, 3, 1, 4, grey16, "\xF1\x20\0\0"));
    Put("pixmap", "bmp" + s + "-8.bmp", BmpOfInfoSize(size, 2, 1, 8, grey256, std::string("\x01\xFE\0\0", 4)));
  }
  Put("pixmap", "bmp40-1.bmp", BmpOfInfoSize(40, 10, 1, 1, {0, 0xFFFFFF}, "\xA0\x40\0\0"));
  Put("pixmap", "bmp40-32.bmp", BmpOfInfoSize(40, 2, 1, 32, {}, std::string("\1\2\3\x80\4\5\6\0", 8)));

  // PNG: palette with transparency, grey 16-bit, grey and alpha, interlaced RGBA.
  PngFixture pal;
  pal.width = 3, pal.height = 2, pal.colorType = PNG_COLOR_TYPE_PALETTE;
  pal.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  pal.trns = {0, 128};
  pal.pixels = {0, 1, 2, 2, 1, 0};
  Put("pixmap", "palette.png", MakePng(pal));
  PngFixture grey;
  grey.width = 2, grey.height = 2, grey.colorType = PNG_COLOR_TYPE_GRAY, grey.bitDepth = 16;
  grey.pixels = {0, 1, 0x80, 0, 0xFF, 0xFF, 0x12, 0x34};
  Put("pixmap", "grey16.png", MakePng(grey));
  PngFixture ga;
  ga.width = 2, ga.height = 1, ga.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
  ga.pixels = {10, 20, 30, 40};
  Put("pixmap", "grey-alpha.png", MakePng(ga));
  PngFixture rgba;
  rgba.width = 9, rgba.height = 9, rgba.colorType = PNG_COLOR_TYPE_RGBA, rgba.interlaced = true;
  for (int i = 0; i < 9 * 9 * 4; ++i) rgba.pixels.push_back(static_cast<uint8_t>(i * 7));
  Put("pixmap", "interlaced.png", MakePng(rgba));

  // JPEG: grey, progressive colour, four components.
  std::vector<uint8_t> g(8 * 8), rgb(16 * 8 * 3), cmyk(8 * 8 * 4);
  for (size_t i = 0; i < g.size(); ++i) g[i] = static_cast<uint8_t>(i * 4);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i * 3);
  for (size_t i = 0; i < cmyk.size(); ++i) cmyk[i] = static_cast<uint8_t>(i);
  Put("pixmap", "grey.jpg", MakeJpeg(8, 8, 1, g, 80));
  Put("pixmap", "progressive.jpg", MakeJpeg(16, 8, 3, rgb, 70, true));
  Put("pixmap", "cmyk.jpg", MakeJpeg(8, 8, 4, cmyk, 90));
}

void Sounds() {
  using fixtures::MakeOgg;
  using fixtures::MakeWav;
  using fixtures::Tone;
  Put("ogg", "mono.ogg", MakeOgg(1, 8000, 800, Tone(440, 8000)));
  Put("ogg", "stereo.ogg", MakeOgg(2, 11025, 600, Tone(300, 11025), 0.1f));
  // Three channels and six are mixed down to stereo.
  Put("ogg", "three.ogg", MakeOgg(3, 8000, 500, Tone(200, 8000), 0.0f));
  Put("ogg", "six.ogg", MakeOgg(6, 8000, 400, Tone(500, 8000), 0.0f));
  // A chained file whose links differ in channels.
  Put("ogg", "chained.ogg",
      MakeOgg(1, 8000, 300, Tone(440, 8000), 0.0f, 1) + MakeOgg(2, 8000, 300, Tone(660, 8000), 0.0f, 2));

  const std::string data8("\x80\x90\xA0\x70\x60\x80", 6);
  const std::string data16("\x00\x10\x00\xF0\xFF\x7F\x00\x80", 8);
  Put("wav", "mono8.wav", MakeWav(1, 1, 8000, 8, data8));
  Put("wav", "stereo8.wav", MakeWav(1, 2, 8000, 8, data8));
  Put("wav", "mono16.wav", MakeWav(1, 1, 22050, 16, data16));
  Put("wav", "stereo16.wav", MakeWav(1, 2, 44100, 16, data16));
  Put("wav", "extensible.wav", MakeWav(0xFFFE, 2, 44100, 16, data16));
  // An odd-sized chunk with its pad byte before the data, and a data chunk
  // whose last pad is missing.
  std::string withList = MakeWav(1, 1, 8000, 8, "\x80\x81\x82", 3);
  withList.insert(36, std::string("LIST") + Le32(5) + "INFOx" + std::string(1, '\0'));
  Put("wav", "list-chunk.wav", withList);
  // The stated data size runs past the end of the file.
  Put("wav", "data-too-long.wav", MakeWav(1, 1, 8000, 8, data8, 600));
}

std::string ScoreEntry(const std::string& name, int32_t score, const std::string& eol = "\r\n") {
  return name + eol + Le32(score);
}

void Texts() {
  const char* names[] = {"Varnel", "Tobrin", "Ostrailen", "Dembly", "Quessa", "Hald", "Ior", "Pim"};
  std::string table, lf;
  for (int i = 0; i < 8; ++i) {
    table += ScoreEntry(names[i], 1000 - 100 * i);
    lf += ScoreEntry(names[i], -i, "\n");
  }
  Put("scores", "table.dat", table);
  Put("scores", "lf.dat", lf);
  Put("scores", "cut.dat", table.substr(0, table.size() - 2));
  Put("scores", "trailing.dat", table + "more bytes after the table");
  Put("scores", "long-name.dat", ScoreEntry(std::string(3000, 'x'), 5) + table.substr(12));
  Put("scores", "empty.dat", "");
  Put("scores", "zero-names.dat", std::string(8 * 6, '\0'));

  Put("lines", "crlf.txt", "first\r\nsecond\r\n\r\nfourth");
  Put("lines", "lf.txt", "a\nbb\n\nccc\n");
  Put("lines", "cr-only.txt", "one\rtwo\r\r");
  Put("lines", "zeros.txt", std::string("x\0y\0\0z", 6));
  Put("lines", "long.txt", std::string(3000, 'L') + "\n" + std::string(1024, 'M'));
  Put("lines", "high-bytes.txt", "caf\xE9\n\xFF\xFE\r\n");

  // Archives: four records with sizes and spacing of every kind.
  Put("archive", "four.dat", "a.png 3\nabcb.jpg 0\nc 2xy\r\n\td.bin 1z");
  Put("archive", "repeat.dat", "same 1 1same 2 22 other 0 same 3 333");
  Put("archive", "link.dat", "x 1 1link 4 evil");
  Put("archive", "dotdot.dat", "a 1 1.. 1 1");
  Put("archive", "too-long.dat", "a 99999 abc");
  Put("archive", "three.dat", "a 1 1b 1 2c 1 3");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUT\n", argv[0]);
    return 2;
  }
  out = argv[1];
  Pictures();
  Sounds();
  Texts();
  return 0;
}
