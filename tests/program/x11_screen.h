// What the X server shows and how a window is asked to close, for the
// program tests.
#pragma once

#include <string>
#include <vector>

// A viewable window with exactly this title; 0 when none appears in time.
unsigned long WaitForWindow(const std::string& title, int timeoutMs);

struct TScreenShot {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
  const unsigned char* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};
TScreenShot GrabScreen();

// Sends the window the desktop's close request (WM_DELETE_WINDOW).
bool AskToClose(unsigned long window);
