// The game frame loop: one game, from its start on the title screen until it
// is lost or left, one frame per pass. It fixes the order in which every
// frame draws the game screen, runs the rules and reads the loop's own keys
// (P pause, Esc the quit question, Y / N its answer, Return at the time-out).
#pragma once

// Runs one game; returns with finalScore = score once it is over or left.
// The title screen sets level = 1 before calling it.
void GameLoop();

// The loop a frame at a time, for whoever drives it (GameLoop, tests, the
// soak run): EnterGame, then GameFrame and Flip(-1) while GameFrame is true.
void EnterGame();
// Everything of one frame but the Flip. False when the game has ended
// (finalScore set): that frame draws nothing more and is not presented.
bool GameFrame();

// Whether the desktop asked the program to close (the window closed, a close
// signal); once asked, it stays asked (closeRequested) until the program ends.
bool CloseRequested();

// The demo's ending screen in place of the board, its own loop of frames
// until Return; then play starts again at level 1 with the score kept.
void ShowDemoEnd();
