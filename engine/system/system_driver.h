// The system driver: turns the platform's window input into TEvents and
// offers the few desktop services the game needs.
#pragma once

#include <memory>
#include <string>

class TSystemDriver {
 public:
  virtual ~TSystemDriver() = default;
  // Handles every pending platform event without waiting and emits the TEvents.
  virtual void Poll() = 0;
  // Blocks until at least one platform event is pending, then polls.
  virtual void Wait() = 0;
  virtual void MoveMouse(int x, int y) = 0;
  virtual void SetMouseVisible(bool visible) = 0;
  // Modal message box with the application title as caption; also on stderr.
  virtual void Notify(const std::u16string& text, bool serious) = 0;
  virtual int Confirm(const std::u16string& text, bool serious) = 0;
  virtual int Proceed(const std::u16string& text, bool serious) = 0;
  virtual std::string RequestFile(const std::u16string& text, const std::string& exts, bool save,
                                  const std::string& path) = 0;
  virtual std::string RequestDir(const std::u16string& text, const std::string& path) = 0;
  // Opens an address with the desktop's default program; the result is not reported.
  virtual int OpenURL(const std::string& url) = 0;
};

// The driver in use (the platform's own unless replaced).
TSystemDriver& SystemDriver();
// Replaces the driver (tests); nullptr restores the platform's own.
void SetSystemDriver(std::shared_ptr<TSystemDriver> driver);

// Run the driver's Poll / Wait; both do nothing when called from inside a hook
// that a poll or wait is running.
void PumpEvents();
void WaitEvents();

// SIGINT, SIGTERM and SIGHUP become close requests (EVENT_APPTERMINATE, seen
// by AppTerminate) instead of ending the process: the program can save and
// restore the display first.
void CatchCloseSignals();

// The window title and message-box caption.
void SetApplicationTitle(const std::u16string& title);
const std::u16string& ApplicationTitle();
