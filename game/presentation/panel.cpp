#include "engine/graphics/draw2d.h"
#include "game/presentation/presentation.h"
#include "game/rules/rules.h"

namespace {

constexpr int PANEL_LEFT = 648;
constexpr int PANEL_WIDTH = 376;
constexpr int MISTAKES_TO_LOSE = 25;

void PanelColour() { SetColor(200, 100, 220); }

void PanelLine(const std::u16string& text, int y) {
  DrawString(text, static_cast<float>(PanelTextX(text)), static_cast<float>(y));
}

// "20:00", "1:05", "0:05".
std::u16string ClockText(int seconds) {
  const int minutes = seconds / 60;
  const int rest = seconds - minutes * 60;
  std::u16string text = DecimalText(minutes) + u":";
  if (rest < 10) text += u"0";
  return text + DecimalText(rest);
}

}  // namespace

int PanelTextX(const std::u16string& text) { return PANEL_LEFT + (PANEL_WIDTH - StringWidth(text)) / 2; }

void DrawPanel() {
  SetAlpha(1.0f);
  SetTextFont(game.panelFont);
  PanelColour();
  PanelLine(u"Score", 40);
  PanelLine(DecimalText(game.score), 88);
  PanelLine(game.level < 2 ? u"Level  " + DecimalText(game.level) : u"Level", 144);
  if (game.mistakes == MISTAKES_TO_LOSE) SetColor(255, 0, 0);
  PanelLine(u"Mistakes  " + DecimalText(game.mistakes), 200);
  PanelColour();
  PanelLine(u"Marks " + DecimalText(game.marksLeft), 256);
  PanelLine(u"Password", 312);
  // The demo has no passwords.
  SetTextFont(game.passwordFont);
  PanelLine(u"---", 368);
  SetTextFont(game.panelFont);
  PanelLine(u"Numbers Shown", 424);
  PanelLine(game.numbersShownUsed == 1 ? u"Yes" : u"No", 472);
  PanelLine(u"Time", 536);
  if (game.timeLeft > 0) {
    PanelLine(ClockText(game.timeLeft), 592);
  } else if (game.timeOut == 1) {
    PanelLine(u"Time Out", 592);
    HoldTimeOut();
  }
}
