// quillory_assetgen: writes the game's program folder (pictures, sounds,
// fonts, the picture archive, the instruction text and the font licences).
//
//   quillory_assetgen --out DIR [--contact-sheet FILE] [--preview DIR] [--icons DIR]
//   quillory_assetgen --icons DIR
//
// Everything is drawn and synthesised here, except the fonts, which come from
// Debian's free font packages. The output is the same bytes on every run.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <string>
#include <vector>

#include "tools/assetgen/archive.h"
#include "tools/assetgen/canvas.h"
#include "tools/assetgen/icons.h"
#include "tools/assetgen/pictures.h"
#include "tools/assetgen/sounds.h"

namespace assetgen {
namespace {

struct FontSource {
  const char* target;    // the name the game loads
  const char* source;    // the file in Debian's font package
  const char* package;   // the package, for the licence and the error message
  const char* describe;  // for licenses/README.txt
};

const FontSource kFonts[] = {
    {"Mishmash BRK.ttf", "/usr/share/fonts/opentype/comic-neue/ComicNeue-Bold.otf",
     "fonts-comic-neue", "Comic Neue Bold (OpenType), by Craig Rozynski, SIL Open Font License 1.1"},
    {"MODENINE.TTF", "/usr/share/fonts/truetype/glasstty/Glass_TTY_VT220.ttf", "fonts-glasstty",
     "Glass TTY VT220 (TrueType), by Viacheslav Slavinsky, Unlicense"},
    {"Anleterre Book.ttf", "/usr/share/fonts/opentype/sortsmill/GoudyBookletter1911.otf",
     "fonts-goudybookletter", "Goudy Bookletter 1911 (OpenType), by Barry Schwartz, public domain"},
    {"Cabin-Regular-TTF.ttf", "/usr/share/fonts/opentype/cabin/Cabin-Regular.otf", "fonts-cabin",
     "Cabin Regular (OpenType), by Pablo Impallari and Igino Marini, SIL Open Font License 1.1"},
    {"Glametrix.otf", "/usr/share/fonts/opentype/league-spartan/LeagueSpartan-ExtraLight.otf",
     "fonts-league-spartan",
     "League Spartan ExtraLight (OpenType), by Micah Rich, Caroline Hadilaksono and Tyler Finck, "
     "SIL Open Font License 1.1"},
};

// The how-to-play text the title screen's instructions panel shows: at most
// 24 lines of at most 86 characters (the panel is 710 pixels wide and the
// instructions font advances 8 pixels a character).
const char* const kInstructions[] = {
    "HOW TO PLAY",
    "64 squares hide the numbers 1 to 32, each number on two squares. Find the pairs!",
    "Left-click a square to see its number, then a second square. Two equal numbers make",
    "a pair: 2 points, and the two squares show their piece of the level's picture.",
    "Two different numbers are a mistake; they stay in view until your next click or for",
    "7 seconds. After 25 mistakes the game is over.",
    "",
    "BONUSES come up on the board, hop every 3 seconds and fade away. Click one: 1 point.",
    "  ?      shows the number under it for 5 seconds",
    "  4      shows a block of 2 x 2 squares for 10 seconds",
    "  Row    shows up to 7 squares of its row, Col of its column, for 10 seconds",
    "  M      takes back one mistake",
    "  Frame  shows the number under it for as long as it stays",
    "  Pair   clears its square and the matching one for you: 2 points",
    "",
    "MARKS: while a bonus shows numbers, right-click a shown square to keep its number",
    "in view with a mark. You have 20 marks per level.",
    "SHOW NUMBERS: press Space once per level to see every number for 30 seconds;",
    "Space or a click hides them again.",
    "P pauses the game. Esc asks whether to quit: Y quits, N plays on.",
    "",
    "SCORE: 2 points a pair, 1 a bonus, and 1 for every second left when the board is",
    "clear. The level has 20 minutes; when the time runs out, the game is over.",
    "Return or Esc: back to the menu.",
};

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "assetgen: %s\n", message.c_str());
  std::exit(1);
}

void MakeDir(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  if (ec) Fail("cannot create folder " + path + ": " + ec.message());
}

// Written beside the target and renamed over it, so an interrupted build
// never leaves a half-written file that looks finished.
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  const std::string tmp = path + ".part";
  FILE* out = std::fopen(tmp.c_str(), "wb");
  if (out == nullptr) Fail("cannot write " + tmp + ": " + std::strerror(errno));
  bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  ok = (std::fclose(out) == 0) && ok;
  if (!ok) Fail("cannot write " + tmp);
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    Fail("cannot rename " + tmp + ": " + std::strerror(errno));
  }
}

std::vector<uint8_t> ReadFile(const std::string& path, const char* package) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    Fail(std::string("cannot read ") + path + " (install the Debian package " + package +
         ", scripts/setup.sh does)");
  }
  std::ostringstream s;
  s << in.rdbuf();
  std::string text = s.str();
  return std::vector<uint8_t>(text.begin(), text.end());
}

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

int Run(int argc, char** argv) {
  const char* const usage =
      "usage: quillory_assetgen [--out DIR [--contact-sheet FILE] [--preview DIR]] [--icons DIR]";
  std::string out, sheet_path, preview, icons;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if ((a == "--out" || a == "--contact-sheet" || a == "--preview" || a == "--icons") && i + 1 < argc) {
      std::string v = argv[++i];
      if (a == "--out") out = v;
      else if (a == "--contact-sheet") sheet_path = v;
      else if (a == "--icons") icons = v;
      else preview = v;
    } else {
      Fail(usage);
    }
  }
  if (out.empty() && icons.empty()) Fail(usage);

  // The library lives until the process ends: Cairo's font cache may still
  // hold faces made from it.
  static FT_Library lib;
  if (FT_Init_FreeType(&lib) != 0) Fail("cannot start FreeType");

  // The desktop icon and its sizes, for installing; they are not part of
  // the program folder.
  if (!icons.empty()) {
    const FontSource& numbers = kFonts[0];
    ReadFile(numbers.source, numbers.package);  // fails with the package to install
    Font font(lib, numbers.source);
    MakeDir(icons);
    for (auto& [name, bytes] : DrawIcons(font)) WriteFile(icons + "/" + name, bytes);
    if (out.empty()) return 0;
  }

  // The music takes the longest: synthesise and encode the sounds on the
  // second core while the pictures are drawn.
  auto sounds = std::async(std::launch::async, [] {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    files.emplace_back("fx/elevator_bell.ogg", EncodeVorbis(SynthPairBell(), 0.5f, 0x51590001, "Pair bell"));
    files.emplace_back("fx/icewinds.ogg", EncodeVorbis(SynthLevelCleared(), 0.5f, 0x51590002, "Ice winds"));
    files.emplace_back("music/defuse.ogg", EncodeVorbis(SynthMusic(), 0.3f, 0x51590003, "Defuse"));
    return files;
  });

  MakeDir(out);
  for (const char* sub : {"gfx", "fx", "music", "data", "licenses"}) MakeDir(out + "/" + sub);

  Fonts fonts;
  {
    std::unique_ptr<Font>* roles[] = {&fonts.display, &fonts.mono, &fonts.serif, &fonts.sans, &fonts.thin};
    for (size_t i = 0; i < 5; ++i) {
      const FontSource& fs = kFonts[i];
      std::vector<uint8_t> bytes = ReadFile(fs.source, fs.package);
      WriteFile(out + "/" + fs.target, bytes);
      *roles[i] = std::make_unique<Font>(lib, fs.source);
    }
  }

  // Licences of the fonts, and which file is which.
  std::string readme =
      "The font files beside the game are copied unchanged from Debian's free font packages,\n"
      "under the names the game loads. Each package's copyright file is here.\n\n";
  for (const FontSource& fs : kFonts) {
    std::string copyright = std::string("/usr/share/doc/") + fs.package + "/copyright";
    WriteFile(out + "/licenses/" + fs.package + ".txt", ReadFile(copyright, fs.package));
    readme += std::string(fs.target) + "\n    " + fs.describe + "\n    package " + fs.package +
              ", licence in " + fs.package + ".txt\n";
  }
  readme += "\nEvery picture, sound and text of the game is made by the game's own asset tool.\n";
  WriteFile(out + "/licenses/README.txt", Bytes(readme));

  // The instruction text must fit its panel: 24 rows of 16 pixels, 696 pixels wide.
  std::vector<std::string> lines(std::begin(kInstructions), std::end(kInstructions));
  if (lines.size() > 24) Fail("the instructions have more than 24 lines");
  std::string text;
  for (const std::string& l : lines) {
    if (fonts.mono->GameWidth(l, 16) > 696) Fail("instruction line too wide: " + l);
    text += l + "\n";
  }
  WriteFile(out + "/data/instructions.txt", Bytes(text));

  std::vector<Picture> pictures = DrawPictures(fonts);
  std::vector<ArchiveRecord> archive;
  for (const Picture& p : pictures) {
    std::vector<uint8_t> bytes;
    switch (p.format) {
      case Format::kJpeg: bytes = EncodeJpeg(*p.canvas, 92); break;
      case Format::kPng: bytes = EncodePng(*p.canvas, false); break;
      case Format::kPngAlpha: bytes = EncodePng(*p.canvas, true); break;
    }
    if (p.archived) {
      archive.push_back({p.name, std::move(bytes)});
    } else {
      WriteFile(out + "/" + p.name, bytes);
    }
  }
  WriteFile(out + "/data/qyv2demo.dat", PackArchive(archive));

  if (!sheet_path.empty()) {
    std::unique_ptr<Canvas> sheet = ContactSheet(pictures, fonts);
    WriteFile(sheet_path, EncodePng(*sheet, false, 3));
  }
  if (!preview.empty()) {
    MakeDir(preview);
    WritePreviews(pictures, fonts, lines, preview);
  }

  for (auto& [name, bytes] : sounds.get()) WriteFile(out + "/" + name, bytes);

  return 0;
}

}  // namespace
}  // namespace assetgen

int main(int argc, char** argv) {
  try {
    return assetgen::Run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "assetgen: %s\n", e.what());
    return 1;
  }
}
