// Driving the real program on an X server, for the program tests and the
// screenshot tool: starting it, xdotool, what the X server shows, and how a
// window is asked to close.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

// Starts a program (found on PATH when args[0] has no "/") with the
// environment plus env, its stderr into errFile when one is named; 0 when it
// cannot be started.
pid_t Spawn(std::vector<std::string> args, const std::map<std::string, std::string>& env = {},
            const std::string& errFile = "");
// Runs xdotool with these arguments; true when it succeeded.
bool Xdo(std::vector<std::string> args);

// A viewable top-level window with exactly this title, 0 if none appears
// within the time (tests/xinput/x11_probe.cpp).
unsigned long FindTopLevelWindow(const std::string& title, int timeoutMs);
// Presses Return on the box with this title until it has gone; false when no
// box showed or it stayed (tests/xinput/x11_probe.cpp).
bool CloseBoxWithReturn(const std::string& title, int timeoutMs);
// Waits until the window has shown this many more frames: input sent before
// the call has then been read (tests/xinput/x11_probe.cpp).
bool AwaitFrames(unsigned long window, int frames, int timeoutMs);
// The window holds the X keyboard focus.
bool HasFocus(unsigned long window);

struct TScreenShot {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
  const unsigned char* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};
TScreenShot GrabScreen();

// Sends the window the desktop's close request (WM_DELETE_WINDOW).
bool AskToClose(unsigned long window);
