// app/main.cpp
//
// Zorvet, the catalogue of CDs, on the desktop (the SDL display). The start
// and end follow app/Startup.h; the catalogue lives beside the program.
#include <cstdio>
#include <exception>

#include "app/Startup.h"
#include "platform/controls/Application.h"
#include "platform/display/SdlDisplay.h"
#include "platform/rtl/MemoryManager.h"
#include "platform/rtl/Paths.h"
#include "platform/win/Drives.h"

int main(int argc, char** argv) {
  InitMemoryManager();
  InitDriveMapping();
  if (!TSdlDisplay::Available()) {
    std::fprintf(stderr,
                 "Zorvet needs a display: run it on a desktop (DISPLAY or WAYLAND_DISPLAY set) "
                 "or under xvfb-run.\n");
    return 1;
  }
  TSdlDisplay display;
  InitializeModules(ZorvetModules());
  SetCommandLine(argc, argv);
  // SDL's text input types the characters; keys are translated only where it does not.
  Application->SetKeyTranslator(&TSdlDisplay::TranslateKey);
  WireSynchronize();
  int code = 0;
  try {
    TZorvetProgram program;
    if (program.Start())
      Application->Run();
    else
      code = 1;
  } catch (const std::exception& e) {
    // Nothing could be shown yet (the window did not come up): say it on
    // the screen and in the terminal.
    std::fprintf(stderr, "zorvet: %s\n", e.what());
    Application->ShowException(e);
    code = 1;
  }
  UnwireSynchronize();
  FinalizeModules();
  return code;
}
