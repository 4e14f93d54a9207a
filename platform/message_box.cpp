#include "platform/message_box.h"

#include <SDL.h>

#include <cstdio>

namespace platform {

namespace {

// The window of ours that has the keyboard, so the box is modal to it.
SDL_Window* Parent() {
  if (!SDL_WasInit(SDL_INIT_VIDEO)) return nullptr;
  return SDL_GetKeyboardFocus();
}

void Log(const std::string& title, const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
  std::fflush(stderr);
}

// The keyboard goes back to the window that had it before the box.
void RestoreFocus(SDL_Window* parent) {
  if (parent) SDL_SetWindowInputFocus(parent);
}

}  // namespace

void ShowMessage(const std::string& title, const std::string& text, bool serious) {
  Log(title, text);
  SDL_Window* parent = Parent();
  const Uint32 icon = serious ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_INFORMATION;
  if (SDL_ShowSimpleMessageBox(icon, title.c_str(), text.c_str(), parent) != 0 && parent) {
    // Some window systems refuse a parent; a free-standing box still blocks.
    SDL_ShowSimpleMessageBox(icon, title.c_str(), text.c_str(), nullptr);
  }
  RestoreFocus(parent);
}

int AskQuestion(const std::string& title, const std::string& text, bool serious, bool withCancel) {
  Log(title, text);
  const SDL_MessageBoxButtonData buttons[] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
      {withCancel ? 0u : static_cast<Uint32>(SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT), 0, "No"},
      {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, -1, "Cancel"},
  };
  SDL_MessageBoxData data{};
  data.flags = serious ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_INFORMATION;
  data.window = Parent();
  data.title = title.c_str();
  data.message = text.c_str();
  data.numbuttons = withCancel ? 3 : 2;
  data.buttons = buttons;
  int hit = withCancel ? -1 : 0;
  const int shown = SDL_ShowMessageBox(&data, &hit);
  RestoreFocus(data.window);
  if (shown != 0) return withCancel ? -1 : 0;
  return hit;
}

}  // namespace platform
