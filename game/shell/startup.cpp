#include "game/shell/startup.h"

#include "engine/audio/sound.h"
#include "engine/graphics/display.h"
#include "engine/graphics/draw2d.h"
#include "engine/graphics/image.h"
#include "engine/system/clock.h"
#include "engine/system/files.h"
#include "engine/system/stream.h"
#include "engine/system/system_driver.h"
#include "game/shell/archive.h"
#include "game/shell/assets.h"
#include "game/shell/game_state.h"
#include "game/shell/hiscores.h"
#include "game/shell/title_loop.h"

namespace {

const char16_t* const INSTRUCTIONS_ERROR = u"ERROR IN READING INSTRUCTIONS.TXT!";

// The pictures the archive holds, in the order they are deleted again.
const char* const ARCHIVED[] = {"stockimage_s_32662469.jpg", "demo-ending.jpg", "peite.png", "startscreen.jpg"};

void RemoveUnpacked(const std::string& tempDir) {
  for (const char* name : ARCHIVED) RemoveFile(tempDir + name);
  RemoveFolder(tempDir);
}

// A fatal start-up error: the display closed first, then the message.
int Fatal(const std::u16string& text) {
  EndDisplay();
  Notify(text, false);
  return 1;
}

}  // namespace

std::string TempFolder() {
  const std::string folder = UserGameFolder();
  return folder.empty() ? std::string() : folder + "temp/";
}

void ReadInstructions(const std::string& path) {
  game.instructionLines.clear();
  auto stream = OpenReader(path);
  // Reading lines never fails once the file is open; opening it can.
  if (!stream) {
    game.instructionLines.push_back(INSTRUCTIONS_ERROR);
    return;
  }
  while (!Eof(stream)) game.instructionLines.push_back(ReadLine(stream));
  CloseFileStream(stream);
}

int StartUp(const TStartOptions& options) {
  SetApplicationTitle(u"Quillory demo");
  if (!Graphics(1024, 768, options.window ? 0 : 32, 60, 0)) {
    Notify(u"The display could not be opened (1024 x 768 at 60 Hz).", true);
    return 1;
  }
  HidePointer();

  // The loading picture goes into both buffers, so it stays up while the
  // rest of start-up draws nothing.
  const std::string loadingFile = "gfx\\loading.png";
  auto loading = LoadImageFile(loadingFile, -1);
  if (!loading) return Fatal(u"A picture of the game could not be loaded: " + Utf8ToText(loadingFile));
  Flip(-1);
  DrawImageFrame(loading, 436, 364, 0);
  Flip(-1);
  DrawImageFrame(loading, 436, 364, 0);
  Flip(-1);
  loading.reset();

  const std::string tempDir = TempFolder();
  const std::string programDir = CurrentFolder();
  SetImageMaskColor(0, 0, 0);
  // The per-user game folder may not exist yet: on a first run it is made.
  MakeFolder(UserGameFolder(), 1);
  MakeFolder(tempDir);

  switch (ExtractPictureArchive(programDir + "/data/qyv2demo.dat", tempDir)) {
    case -1: return Fatal(u"Needed dat-file not found - re-install.");
    case -2:
      EnterFolder(programDir);
      RemoveFolder(tempDir);
      return Fatal(u"Picture file not found! Try to restart.");
    default: break;
  }
  EnterFolder(programDir);

  const std::string failed = LoadGameAssets(tempDir);
  RemoveUnpacked(tempDir);
  if (!failed.empty()) return Fatal(u"A picture or font of the game could not be loaded: " + Utf8ToText(failed));

  LoadHiscores();
  ReadInstructions("data\\instructions.txt");
  SetChannelLevel(game.musicChannel, 1.0f);
  UnpauseChannel(game.musicChannel);
  SeedRandom(options.seed ? *options.seed : ClockMillis());

  TitleLoop();
  EndDisplay();
  return 0;
}
