// platform/win/Clipboard.h
//
// The process clipboard: one text, shared by every control of the window
// system (cut, copy and paste of edits). It lives as long as the window
// system, so each test starts with an empty clipboard. A display backend
// that connects it to the desktop's clipboard does so behind these calls.
//
// Threads: GUI thread only.
#pragma once

#include <functional>
#include <optional>

#include "platform/rtl/Types.h"
#include "platform/win/WinTypes.h"

// How a display backend joins the desktop's clipboard: `Put` hears every
// text the program places; `Take` answers the desktop's current text, or
// nothing to fall back on the process's own. Either may be empty.
struct TClipboardLink {
  std::function<void(const String& text)> Put;
  std::function<std::optional<String>()> Take;
};
// Replaces the link (an empty one disconnects). FALSE without a window system.
BOOL SetClipboardLink(TClipboardLink link);

// Replaces the clipboard's content with `text` (UTF-8). FALSE without a
// window system.
BOOL SetClipboardText(const String& text);
// The clipboard's text; empty when it holds none.
String GetClipboardText();
// Whether the clipboard holds text (an empty text counts).
BOOL HasClipboardText();
// Empties the clipboard.
BOOL EmptyClipboard();
