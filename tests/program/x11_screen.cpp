// The X server's side of the program tests, apart from the game's headers.
#include "tests/program/x11_screen.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

pid_t Spawn(std::vector<std::string> args, const std::map<std::string, std::string>& env,
            const std::string& errFile) {
  std::vector<std::string> envs;
  for (char** e = environ; *e; ++e) {
    const std::string kv = *e;
    if (!env.count(kv.substr(0, kv.find('=')))) envs.push_back(kv);
  }
  for (const auto& [k, v] : env) envs.push_back(k + "=" + v);
  std::vector<char*> argv, envp;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  for (auto& e : envs) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!errFile.empty()) {
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = 0;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

bool Xdo(std::vector<std::string> args) {
  args.insert(args.begin(), "xdotool");
  const pid_t pid = Spawn(std::move(args));
  int status = 0;
  return pid && waitpid(pid, &status, 0) >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TScreenShot GrabScreen() {
  TScreenShot shot;
  Display* d = XOpenDisplay(nullptr);
  if (!d) return shot;
  const Window root = DefaultRootWindow(d);
  XWindowAttributes attrs{};
  XGetWindowAttributes(d, root, &attrs);
  XImage* img = XGetImage(d, root, 0, 0, attrs.width, attrs.height, AllPlanes, ZPixmap);
  if (img) {
    shot.width = attrs.width;
    shot.height = attrs.height;
    shot.rgb.resize(static_cast<size_t>(shot.width) * shot.height * 3);
    for (int y = 0; y < shot.height; ++y) {
      for (int x = 0; x < shot.width; ++x) {
        const unsigned long p = XGetPixel(img, x, y);
        unsigned char* q = &shot.rgb[(static_cast<size_t>(y) * shot.width + x) * 3];
        q[0] = static_cast<unsigned char>((p >> 16) & 255);
        q[1] = static_cast<unsigned char>((p >> 8) & 255);
        q[2] = static_cast<unsigned char>(p & 255);
      }
    }
    XDestroyImage(img);
  }
  XCloseDisplay(d);
  return shot;
}

bool AskToClose(unsigned long window) {
  Display* d = XOpenDisplay(nullptr);
  if (!d) return false;
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = window;
  e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  const bool sent = XSendEvent(d, window, False, NoEventMask, &e) != 0;
  XFlush(d);
  XCloseDisplay(d);
  return sent;
}
