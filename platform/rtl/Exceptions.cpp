// platform/rtl/Exceptions.cpp
#include "platform/rtl/Exceptions.h"

#include <cstdio>
#include <mutex>

namespace {

std::mutex handler_mutex;

TExceptionHandler& CurrentHandler() {
  static TExceptionHandler handler;
  return handler;
}

void DefaultHandler(const std::exception& e) {
  std::fprintf(stderr, "%s\n", e.what());
}

}  // namespace

void Abort() {
  throw EAbort("Operation aborted");
}

TExceptionHandler SetExceptionHandler(TExceptionHandler handler) {
  std::lock_guard lock(handler_mutex);
  TExceptionHandler previous = std::move(CurrentHandler());
  CurrentHandler() = std::move(handler);
  return previous;
}

void HandleException(const std::exception& e) {
  if (dynamic_cast<const EAbort*>(&e)) return;
  TExceptionHandler handler;
  {
    std::lock_guard lock(handler_mutex);
    handler = CurrentHandler();
  }
  if (handler)
    handler(e);
  else
    DefaultHandler(e);
}

void HandleCurrentException() {
  try {
    throw;
  } catch (const std::exception& e) {
    HandleException(e);
  } catch (...) {
    HandleException(Exception("Unknown error"));
  }
}
