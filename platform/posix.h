// Operating-system services that need no window: the clock, sleeping, the
// per-user data folder, the program's own folder and handing an address to
// the desktop's default program.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Milliseconds from a monotonic source; only differences mean anything.
int64_t MonotonicMillis();

// Sleeps at least ms milliseconds (nothing for ms <= 0).
void SleepMillis(int ms);

// $XDG_DATA_HOME when it is an absolute path, else $HOME/.local/share; no
// trailing "/". Empty when neither can be found.
std::string UserDataDir();

// The folder holding the running executable ("/"-separated, no trailing "/").
std::string ExecutableDir();

// Hands url to xdg-open without a shell and without waiting for it; false when
// it could not be started.
bool OpenURL(const std::string& url);

}  // namespace platform
