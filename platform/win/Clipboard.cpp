// platform/win/Clipboard.cpp
#include "platform/win/Clipboard.h"

#include "platform/win/WindowSystemState.h"

namespace {
// The clipboard's text as it stands now: the desktop's when linked.
std::optional<String> Current() {
  auto& k = Kernel();
  if (k.clipboardLink.Take)
    if (auto text = k.clipboardLink.Take()) return text;
  return k.clipboardText;
}
}  // namespace

BOOL SetClipboardLink(TClipboardLink link) {
  if (!TWindowSystem::Current()) return FALSE;
  Kernel().clipboardLink = std::move(link);
  return TRUE;
}

BOOL SetClipboardText(const String& text) {
  if (!TWindowSystem::Current()) return FALSE;
  auto& k = Kernel();
  k.clipboardText = text;
  if (k.clipboardLink.Put) k.clipboardLink.Put(text);
  return TRUE;
}

String GetClipboardText() {
  if (!TWindowSystem::Current()) return {};
  return Current().value_or(String());
}

BOOL HasClipboardText() {
  return TWindowSystem::Current() && Current() ? TRUE : FALSE;
}

BOOL EmptyClipboard() {
  if (!TWindowSystem::Current()) return FALSE;
  Kernel().clipboardText.reset();
  return TRUE;
}
