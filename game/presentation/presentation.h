// The game screen's drawing layers: the board and its squares, the side
// panel, the status line, the bonus reveals, the marks and the pointer's ball
// trail, and Show Numbers. Each layer reads the game state record and draws
// into the current frame; a few also end the timed states they show, by
// calling the rule that ends them (game/rules/rules.h) at the moment it names.
#pragma once

#include <string>

// ---- Board geometry and the common way of showing a square -------------

// Top-left corner of cell (col, row) on screen.
int CellX(int col);
int CellY(int row);
// The 65 x 65 window of the level's picture under the cell's inset window.
void DrawSquareWindow(int col, int row);
// The cell's board number with a one-pixel white highlight, in the level's
// colour, in the current font.
void DrawSquareNumber(int col, int row);
// Draws text where a cell's number goes: centred in the cell, its top 11
// pixels down, in the current font and colour.
void DrawCellNumberText(int col, int row, const std::u16string& text);
void DrawRevealedSquare(int col, int row);

// ---- Board layers (in the frame's order) --------------------------------

void DrawSquares();
void DrawFoundCells();
// Ends a shown no-pair first (ExpireNoPair), then fades the selection in.
void DrawSelectedSquares();
void DrawBonusIcon();
void DrawLevelThumbnail();

// ---- Side panel and status line -----------------------------------------

// x at which text is centred in the panel column, in the current font.
int PanelTextX(const std::u16string& text);
// Holds the game over once the time has run out (HoldTimeOut).
void DrawPanel();
// Retires the message whose time is up (ExpireStatusMessage), else draws it.
void DrawStatusMessage();
// x at which text is centred in the message frame's band, in the current
// font; its top is at MESSAGE_TEXT_TOP ("Paused" goes there too).
int MessageTextX(const std::u16string& text);
constexpr int MESSAGE_TEXT_TOP = 685;

// ---- Bonus reveals -------------------------------------------------------

void DrawQuestionReveal();
void DrawFourReveal();
void DrawRowReveal();
void DrawColumnReveal();

// ---- Marks, ball trail, Show Numbers -------------------------------------

void DrawMarks();
// Draws, ages and removes the balls of the trail.
void DrawBallTrail();
// Ends Show Numbers after its time (ExpireShowNumbers), else draws them.
void DrawShowNumbers();

// Plain decimal text of a number ("-" in front of a negative one).
std::u16string DecimalText(int value);
