// platform/win/Clipboard.cpp
#include "platform/win/Clipboard.h"

#include "platform/win/WindowSystemState.h"

BOOL SetClipboardText(const String& text) {
  if (!TWindowSystem::Current()) return FALSE;
  Kernel().clipboardText = text;
  return TRUE;
}

String GetClipboardText() {
  if (!TWindowSystem::Current()) return {};
  return Kernel().clipboardText.value_or(String());
}

BOOL HasClipboardText() {
  return TWindowSystem::Current() && Kernel().clipboardText ? TRUE : FALSE;
}

BOOL EmptyClipboard() {
  if (!TWindowSystem::Current()) return FALSE;
  Kernel().clipboardText.reset();
  return TRUE;
}
