// Polled keyboard and mouse: how often a key or button was pressed since the
// last question, where the pointer is, which characters were typed.
#pragma once

// Key codes are Windows virtual-key codes.
enum : int {
  KEY_BACKSPACE = 8, KEY_TAB = 9, KEY_RETURN = 13, KEY_ESCAPE = 27, KEY_SPACE = 32,
  KEY_LEFT = 37, KEY_UP = 38, KEY_RIGHT = 39, KEY_DOWN = 40,
  KEY_0 = 48, KEY_A = 65, KEY_M = 77, KEY_N = 78, KEY_P = 80, KEY_Y = 89,
  KEY_F1 = 112, KEY_F12 = 123,
  KEY_LSHIFT = 160, KEY_RSHIFT = 161, KEY_LCONTROL = 162, KEY_RCONTROL = 163,
  KEY_LALT = 164, KEY_RALT = 165,
};
enum : int { MOUSE_LEFT = 1, MOUSE_RIGHT = 2, MOUSE_MIDDLE = 3 };

// Every query first runs PumpEvents while auto-poll is on (always, in this program).
int KeyPresses(int key);
int KeyDown(int key);
int NextChar();
void ClearKeyState();
int PointerX();
int PointerY();
int WheelPosition();
int MouseClicks(int button);
int MouseDown(int button);
void ClearMouseState();
int PointerXSpeed();
int PointerYSpeed();
int WheelSpeed();
int IsSuspended();
int AppTerminate();
// Clear first (as ClearKeyState / ClearMouseState do), then wait for a new key
// hit (the lowest code), character or click.
int WaitForKey();
int WaitForChar();
int WaitForClick();

// source nullptr accepts events from every source.
void StartInputPolling(const void* source);
void StopInputPolling();
void SetAutoPoll(bool on);
