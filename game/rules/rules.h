// The game's rules: the board and its deal, selection and pairs, bonuses and
// their reveals, marks, levels, score, mistakes and time. Every operation reads
// and writes the game state record (game/shell/game_state.h); none draws.
#pragma once

#include <optional>
#include <string>

#include "game/shell/game_state.h"

struct MySquare {
  int x = 0;
  int y = 0;
  bool operator==(const MySquare&) const = default;
};

// ---- Board --------------------------------------------------------------

// Deals 32 pairs onto the board from the random numbers; leaves numeroPool,
// hiddenSquares and marksList empty. Always followed by ResetLevelState.
void DealBoard();
// Appends one hidden square per board square, row by row.
void RebuildHiddenSquares();
// 0 while (x, y) is in hiddenSquares, 1 once it is paired or marked.
int IsKnownSquare(int x, int y);
void UnhideSquare(int x, int y);
int IsMarked(int x, int y);
void RemoveMark(int x, int y);
// A random entry of hiddenSquares (one draw of RandomInt(1, count)); none,
// and no draw, when the list is empty.
std::optional<MySquare> PickHiddenSquare();
// Clears the pair on two squares: both board entries 0, their marks removed,
// both taken out of hiddenSquares.
void ClearPair(int x1, int y1, int x2, int y2);

// Pointer to square. Each handler accepts the board from its own first pixel
// column and row (the board ends at 644, 635 for all of them).
std::optional<MySquare> SquareAtPointer(int firstX, int firstY);

// ---- Status line --------------------------------------------------------

// Raises a message: statusText, statusTime = now, statusShown = 1.
void ShowStatus(const std::u16string& text);
// Retires the message once 10000 ms or more have passed since it was raised;
// a retired "Game Over" sets leaveGame. Called by the message layer every frame.
void ExpireStatusMessage();

// ---- Selection and pairs ------------------------------------------------

void HandleLeftClick();
void SelectSquare(int x, int y);
// Turns a no-pair face down once more than 7000 ms have passed. Run every
// frame, paused or not, before the selected squares are drawn.
void ExpireNoPair();

// ---- Bonuses and reveals ------------------------------------------------

void SpawnBonus();
void UpdateBonus();
// Uses the bonus on the board (the click lies on its square).
void UseBonus();
// The square the bonus of a kind sits on.
MySquare BonusSquare(int kind);
// Whether the left-click pointer lies on the bonus's square, in the hit range
// of its kind.
int IsPointerOnBonus();
void EndRevealByClick();
void EndAllReveals();
// 1 when a reveal is showing square (x, y) right now.
int IsRevealed(int x, int y);
// Whether a left click now would be taken by a showing reveal.
int IsRevealTakingClick();

// The timed course of the reveals, run by the reveal layer every frame while
// neither the quit question nor the game over is up, also while paused.
// ExpireQuestionReveal / ExpireFourReveal end their reveal once 5000 / 10000 ms
// or more have passed (call before drawing it). GrowRowReveal /
// GrowColumnReveal take one growth step when more than 250 ms passed since the
// last (call after drawing the growing phase). ExpireRowReveal /
// ExpireColumnReveal end the hold once 10000 ms or more have passed (call
// before drawing the hold).
void ExpireQuestionReveal();
void ExpireFourReveal();
void GrowRowReveal();
void GrowColumnReveal();
void ExpireRowReveal();
void ExpireColumnReveal();

// ---- Show Numbers -------------------------------------------------------

// Space: starts showing every number once per level, or stops the showing
// (a press that cannot start it hides the message and lets bonuses come).
// Run every frame while neither the quit question nor the game over is up.
void ToggleShowNumbers();
// Ends the showing once 30000 ms or more have passed; run by the numbers layer
// before it draws (it does nothing while a square is selected or after the
// demo's level was cleared, when the layer draws nothing either).
void ExpireShowNumbers();

// ---- Marks --------------------------------------------------------------

void HandleRightClick();
void MarkSquare(int x, int y);

// ---- Levels, score, mistakes and time -----------------------------------

void BeginGame();
void ResetPlay();
void ResetLevelState();
void TickClock();
void CheckLevelCleared();
void UpdateLevelEnd();
void ShowLevelEndMessage();
// Once the time has run out, holds the game over: "Game Over" kept raised
// (statusTime untouched), gameOver = 1, no bonus. Run by the side panel every
// frame while timeLeft <= 0 and timeOut = 1.
void HoldTimeOut();
