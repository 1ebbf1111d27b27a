// platform/win/MessageBoxHook.cpp
#include "platform/win/MessageBoxHook.h"

#include <cstdio>
#include <mutex>

namespace {

std::mutex handler_mutex;

TMessageBoxHandler& CurrentHandler() {
  static TMessageBoxHandler handler;
  return handler;
}

}  // namespace

TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler handler) {
  std::lock_guard lock(handler_mutex);
  std::swap(CurrentHandler(), handler);
  return handler;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  TMessageBoxHandler handler;
  {
    std::lock_guard lock(handler_mutex);
    handler = CurrentHandler();
  }
  String body = text ? text : "";
  String title = caption ? caption : "";
  if (handler) return handler(owner, body, title, type);
  std::fprintf(stderr, "%s: %s\n", title.c_str(), body.c_str());
  return IDOK;
}
