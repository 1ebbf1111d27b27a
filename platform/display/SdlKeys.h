// platform/display/SdlKeys.h
//
// SDL's keys as the window model's virtual keys. Letters and digits follow
// the keycode, that is the keyboard layout, as virtual keys do; keys whose
// keycode is no ASCII character (the accented letters of other layouts) fall
// back to the key's position on a US keyboard.
#pragma once

#include "platform/win/WinTypes.h"

// 0 when the key has no virtual key.
UINT VirtualKeyOfSdl(int keycode, int scancode);
// Whether the key types text through SDL's text input when neither Ctrl nor
// the left Alt is held (letters, digits, punctuation, space, the keypad's
// digits and signs).
bool SdlKeyTypesText(UINT vk);
