// platform/display/SdlKeys.cpp
#include "platform/display/SdlKeys.h"

#include <SDL.h>

#include "platform/win/VirtualKeys.h"

namespace {

struct TKeyPair {
  int sdl;
  UINT vk;
};

constexpr TKeyPair kNamedKeys[] = {
    {SDLK_BACKSPACE, VK_BACK},
    {SDLK_TAB, VK_TAB},
    {SDLK_RETURN, VK_RETURN},
    {SDLK_KP_ENTER, VK_RETURN},
    {SDLK_ESCAPE, VK_ESCAPE},
    {SDLK_SPACE, VK_SPACE},
    {SDLK_PAGEUP, VK_PRIOR},
    {SDLK_PAGEDOWN, VK_NEXT},
    {SDLK_END, VK_END},
    {SDLK_HOME, VK_HOME},
    {SDLK_LEFT, VK_LEFT},
    {SDLK_UP, VK_UP},
    {SDLK_RIGHT, VK_RIGHT},
    {SDLK_DOWN, VK_DOWN},
    {SDLK_INSERT, VK_INSERT},
    {SDLK_DELETE, VK_DELETE},
    {SDLK_LSHIFT, VK_SHIFT},
    {SDLK_RSHIFT, VK_SHIFT},
    {SDLK_LCTRL, VK_CONTROL},
    {SDLK_RCTRL, VK_CONTROL},
    {SDLK_LALT, VK_MENU},
    {SDLK_RALT, VK_MENU},
    {SDLK_CAPSLOCK, VK_CAPITAL},
    {SDLK_PAUSE, VK_PAUSE},
    {SDLK_NUMLOCKCLEAR, VK_NUMLOCK},
    {SDLK_SCROLLLOCK, VK_SCROLL},
    {SDLK_KP_MULTIPLY, VK_MULTIPLY},
    {SDLK_KP_PLUS, VK_ADD},
    {SDLK_KP_MINUS, VK_SUBTRACT},
    {SDLK_KP_PERIOD, VK_DECIMAL},
    {SDLK_KP_DIVIDE, VK_DIVIDE},
};

// The punctuation keys by their place on a US keyboard.
constexpr TKeyPair kOemScancodes[] = {
    {SDL_SCANCODE_SEMICOLON, VK_OEM_1},   {SDL_SCANCODE_EQUALS, VK_OEM_PLUS},
    {SDL_SCANCODE_COMMA, VK_OEM_COMMA},   {SDL_SCANCODE_MINUS, VK_OEM_MINUS},
    {SDL_SCANCODE_PERIOD, VK_OEM_PERIOD}, {SDL_SCANCODE_SLASH, VK_OEM_2},
    {SDL_SCANCODE_GRAVE, VK_OEM_3},       {SDL_SCANCODE_LEFTBRACKET, VK_OEM_4},
    {SDL_SCANCODE_BACKSLASH, VK_OEM_5},   {SDL_SCANCODE_RIGHTBRACKET, VK_OEM_6},
    {SDL_SCANCODE_APOSTROPHE, VK_OEM_7},
};

}  // namespace

UINT VirtualKeyOfSdl(int keycode, int scancode) {
  if (keycode >= SDLK_a && keycode <= SDLK_z) return static_cast<UINT>('A' + (keycode - SDLK_a));
  if (keycode >= SDLK_0 && keycode <= SDLK_9) return static_cast<UINT>(keycode);
  if (keycode >= SDLK_F1 && keycode <= SDLK_F12)
    return VK_F1 + static_cast<UINT>(keycode - SDLK_F1);
  if (keycode >= SDLK_KP_1 && keycode <= SDLK_KP_9)
    return VK_NUMPAD0 + 1 + static_cast<UINT>(keycode - SDLK_KP_1);
  if (keycode == SDLK_KP_0) return VK_NUMPAD0;
  for (const TKeyPair& k : kNamedKeys) {
    if (k.sdl == keycode) return k.vk;
  }
  for (const TKeyPair& k : kOemScancodes) {
    if (k.sdl == scancode) return k.vk;
  }
  // A letter of another layout on a letter key: the key's US letter.
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
    return static_cast<UINT>('A' + (scancode - SDL_SCANCODE_A));
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9)
    return static_cast<UINT>('1' + (scancode - SDL_SCANCODE_1));
  if (scancode == SDL_SCANCODE_0) return '0';
  return 0;
}

bool SdlKeyTypesText(UINT vk) {
  return vk == VK_SPACE || (vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z') ||
         (vk >= VK_NUMPAD0 && vk <= VK_DIVIDE && vk != 0x6C) ||
         (vk >= VK_OEM_1 && vk <= VK_OEM_3) || (vk >= VK_OEM_4 && vk <= VK_OEM_7);
}
