// demo/ZorvetDemo.cpp
//
// Opens the demonstration form on the desktop, for trying the controls by
// hand; closing it ends the program.
#include <cstdio>

#include "demo/DemoForm.h"
#include "platform/display/SdlDisplay.h"

int main() {
  if (!TSdlDisplay::Available()) {
    std::fprintf(
        stderr,
        "zorvet_demo needs a display: run it on a desktop (DISPLAY or WAYLAND_DISPLAY set) "
        "or under xvfb-run.\n");
    return 1;
  }
  TSdlDisplay display;
  TDemoForm form(100, 80);
  return display.Run();
}
