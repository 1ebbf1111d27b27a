// demo/ZorvetDemo.cpp
//
// Opens the demonstration window on the desktop, for trying the display by
// hand: click to leave marks, type to see the text, close to end.
#include <cstdio>

#include "demo/DemoTree.h"
#include "demo/DemoWindow.h"
#include "platform/display/SdlDisplay.h"
#include "platform/rtl/Exceptions.h"

int main() {
  if (!TSdlDisplay::Available()) {
    std::fprintf(
        stderr,
        "zorvet_demo needs a display: run it on a desktop (DISPLAY or WAYLAND_DISPLAY set) "
        "or under xvfb-run.\n");
    return 1;
  }
  TSdlDisplay display;
  CreateDemoWindow(100, 100);
  ShowDemoTree(460, 100);
  const int result = display.Run();
  CloseDemoTree();
  return result;
}
