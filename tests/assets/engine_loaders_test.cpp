// The program folder through the engine's own loaders, as start-up loads it:
// pictures as pixmaps (with the colour key the images apply), fonts at the
// sizes the game asks for, sounds as samples.
#include <gtest/gtest.h>

#include <string>

#include "engine/audio/audio_sample.h"
#include "engine/graphics/font.h"
#include "engine/graphics/pixmap.h"
#include "engine/system/stream.h"
#include "tests/assets/decode.h"

namespace assettest {
namespace {

struct Expected {
  std::string name;
  int width, height, format;
};

// Transparent pixels after the colour key that images apply to pictures
// without alpha: any would be a hole in the picture.
int KeyedHoles(const std::shared_ptr<TPixmap>& p) {
  if (p->format == PIXFMT_RGBA8888) return 0;
  std::shared_ptr<TPixmap> masked = MaskPixmapColor(p, 0, 0, 0);
  int holes = 0;
  for (int y = 0; y < masked->height; ++y) {
    for (int x = 0; x < masked->width; ++x) holes += (static_cast<uint32_t>(masked->ReadPixel(x, y)) >> 24) == 0;
  }
  return holes;
}

TEST(EngineLoaders, EveryPictureLoadsAsAPixmapWithoutColourKeyHoles) {
  const Expected loose[] = {
      {"gfx/bg.jpg", 1024, 768, PIXFMT_RGB888},          {"gfx/message frame.png", 500, 80, PIXFMT_RGBA8888},
      {"gfx/square.png", 75, 75, PIXFMT_RGBA8888},       {"gfx/square mark.png", 75, 75, PIXFMT_RGBA8888},
      {"gfx/Menu.png", 434, 336, PIXFMT_RGBA8888},       {"gfx/Credits.png", 400, 300, PIXFMT_RGBA8888},
      {"gfx/instructions.png", 710, 460, PIXFMT_RGBA8888}, {"gfx/quit.png", 582, 196, PIXFMT_RGBA8888},
      {"gfx/loading.png", 152, 40, PIXFMT_RGBA8888},     {"gfx/pointer.png", 24, 24, PIXFMT_RGBA8888},
      {"gfx/ball.png", 14, 14, PIXFMT_RGBA8888},         {"gfx/level-1-empty.png", 100, 100, PIXFMT_RGB888},
      {"gfx/littleframe.png", 106, 106, PIXFMT_RGBA8888}, {"gfx/questionmark.png", 75, 75, PIXFMT_RGBA8888},
      {"gfx/4.png", 75, 75, PIXFMT_RGBA8888},            {"gfx/model square.png", 75, 75, PIXFMT_RGBA8888},
      {"gfx/rowbonus.png", 75, 75, PIXFMT_RGBA8888},     {"gfx/colbonus.png", 75, 75, PIXFMT_RGBA8888},
      {"gfx/M.png", 75, 75, PIXFMT_RGBA8888},            {"gfx/pair.png", 75, 75, PIXFMT_RGBA8888},
  };
  for (const Expected& e : loose) {
    SCOPED_TRACE(e.name);
    std::shared_ptr<TPixmap> p = LoadPixmap(TUrl(ProgramDir() + "/" + e.name));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->width, e.width);
    EXPECT_EQ(p->height, e.height);
    EXPECT_EQ(p->format, e.format);
    EXPECT_EQ(KeyedHoles(p), 0);
  }
  // The archive's pictures, straight from their records.
  Archive a = ReadArchive(ReadBytes(ProgramDir() + "/data/qyv2demo.dat"), 4);
  ASSERT_TRUE(a.ok);
  for (const ArchiveRecord& r : a.records) {
    SCOPED_TRACE(r.name);
    auto stream = std::make_shared<TMemoryStream>(std::string(r.data.begin(), r.data.end()));
    std::shared_ptr<TPixmap> p = LoadPixmap(TUrl(std::shared_ptr<TStream>(stream)));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->width, r.name == "startscreen.jpg" ? 1024 : 600);
    EXPECT_EQ(p->height, r.name == "startscreen.jpg" ? 768 : 600);
    EXPECT_EQ(p->format, PIXFMT_RGB888);
    EXPECT_EQ(KeyedHoles(p), 0);
  }
}

TEST(EngineLoaders, EveryFontLoadsAtTheSizesTheGameAsks) {
  const std::pair<const char*, int> fonts[] = {
      {"Mishmash BRK.ttf", 20}, {"Mishmash BRK.ttf", 28}, {"Mishmash BRK.ttf", 18},
      {"MODENINE.TTF", 16},     {"Anleterre Book.ttf", 56}, {"Anleterre Book.ttf", 16},
      {"Cabin-Regular-TTF.ttf", 22}, {"Glametrix.otf", 30},
  };
  for (auto [file, size] : fonts) {
    SCOPED_TRACE(std::string(file) + " at " + std::to_string(size));
    std::shared_ptr<TFont> font = LoadFont(TUrl(ProgramDir() + "/" + file), size, 4);
    ASSERT_NE(font, nullptr);
    // A line about as tall as the size: the size was set, not searched down.
    EXPECT_GE(font->Height(), size * 4 / 5);
    EXPECT_LE(font->Height(), size * 3 / 2);
    for (int c : {'0', '9', 'A', 'z', '?', '!'}) {
      int g = font->CharToGlyph(c);
      ASSERT_GE(g, 0) << char(c);
      std::shared_ptr<TGlyph> glyph = font->LoadGlyph(g);
      ASSERT_NE(glyph, nullptr);
      EXPECT_NE(glyph->Pixels(), nullptr) << char(c);
      EXPECT_GT(glyph->Advance(), 0.0f);
    }
  }
}

TEST(EngineLoaders, EverySoundLoadsAsASample) {
  struct Sound {
    const char* name;
    int format;
    double min_s, max_s;
  };
  const Sound sounds[] = {
      {"fx/elevator_bell.ogg", SF_MONO16LE, 0.8, 1.5},
      {"fx/icewinds.ogg", SF_STEREO16LE, 3.0, 4.0},
      {"music/defuse.ogg", SF_STEREO16LE, 60.0, 120.0},
  };
  for (const Sound& s : sounds) {
    SCOPED_TRACE(s.name);
    std::shared_ptr<TAudioSample> sample = LoadAudioSample(TUrl(ProgramDir() + "/" + s.name));
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(sample->format, s.format);
    EXPECT_EQ(sample->hertz, 44100);
    EXPECT_GE(sample->length, s.min_s * 44100);
    EXPECT_LE(sample->length, s.max_s * 44100);
  }
}

}  // namespace
}  // namespace assettest
