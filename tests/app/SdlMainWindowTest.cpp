// tests/app/SdlMainWindowTest.cpp
//
// The program on a real (virtual) screen: started as main starts it, from a
// run folder of the test's own with an ISO image mapped as a CD-ROM drive,
// driven by SDL input as the desktop sends it (the drive picked in the
// list, the scan button pressed), and what reaches the screen compared with
// a reference picture. Without a display every test skips.
#include <SDL.h>
#include <gtest/gtest.h>
#include <utime.h>

#include <cstdlib>
#include <memory>

#include "app/DmZorvet.h"
#include "app/MnFrm.h"
#include "app/Startup.h"
#include "memtable/MemTable.h"
#include "platform/controls/ActnList.h"
#include "platform/controls/Application.h"
#include "platform/controls/ComboBox.h"
#include "platform/controls/Dialogs.h"
#include "platform/controls/Label.h"
#include "platform/controls/ListView.h"
#include "platform/controls/PageControl.h"
#include "platform/controls/Panel.h"
#include "platform/controls/ToolBar.h"
#include "platform/display/SdlDisplay.h"
#include "platform/win/Drives.h"
#include "platform/win/Png.h"
#include "platform/win/WindowPos.h"
#include "tests/display/SdlTestSupport.h"
#include "tests/win/DriveTestSupport.h"
#include "ui/PickButton.h"
#include "ui/slDBTree.h"

namespace {

class SdlMainWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    ZORVET_SKIP_WITHOUT_DISPLAY();
    setenv("XDG_CONFIG_HOME", (temp_ / "config").c_str(), 1);
    InitDriveMapping();
    display_ = std::make_unique<TSdlDisplay>(1);
    InitializeModules(ZorvetModules());
    Application->SetKeyTranslator(&TSdlDisplay::TranslateKey);
    WireSynchronize();
    // No dialog is expected: one that comes up is noted and closed.
    SetDialogResponder([this](const TDialogInfo& d) {
      dialogs_ += d.Text + "\n";
      return d.Results.empty() ? mrCancel : d.Results.front();
    });
    started_ = true;
  }
  void TearDown() override {
    if (!started_) return;
    program_.reset();
    SetDialogResponder(nullptr);
    EXPECT_EQ(dialogs_, "");
    UnwireSynchronize();
    FinalizeModules();
    display_.reset();
    unsetenv("XDG_CONFIG_HOME");
  }

  // The X server maps, exposes and focuses the new window on its own time:
  // handles what it sends until it has been quiet for a while.
  // Bounded, so that a window that never goes quiet fails rather than hangs.
  void Settle() {
    display_->Pump();
    for (int i = 0; i < 50 && SDL_WaitEventTimeout(nullptr, 300); ++i) display_->Pump();
  }
  Uint32 WindowId() { return SDL_GetWindowID(display_->WindowOf(window_->WindowHandle())); }
  // A click at the middle of `control`'s rectangle (client coordinates of `parent`).
  void Click(HWND parent, const RECT& r) {
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    MapWindowPoints(parent, window_->WindowHandle(), &p, 1);
    for (Uint32 type : {SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP}) {
      SDL_Event e{};
      e.type = type;
      e.button.windowID = WindowId();
      e.button.button = SDL_BUTTON_LEFT;
      e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
      e.button.clicks = 1;
      e.button.x = p.x;
      e.button.y = p.y;
      ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
    }
    Settle();
  }
  void Key(SDL_Keycode key, SDL_Scancode code) {
    for (Uint32 type : {SDL_KEYDOWN, SDL_KEYUP}) {
      SDL_Event e{};
      e.type = type;
      e.key.windowID = WindowId();
      e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
      e.key.keysym.sym = key;
      e.key.keysym.scancode = code;
      ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError();
    }
    Settle();
  }

  // Starts the program with a disc "HOLIDAY" (readme.txt, Photos/beach.jpg)
  // mapped as drive R: and scans it as a user does: the drive picked in the
  // list with a click and the keys, then the scan button pressed.
  void StartAndScanHoliday() {
    const std::string disc = temp_.MakeFolder("disc");
    temp_.Write("disc/readme.txt", std::string(1536, 'r'));
    temp_.Write("disc/Photos/beach.jpg", std::string(4096, 'b'));
    for (const char* file : {"readme.txt", "Photos/beach.jpg", "Photos"}) {
      const utimbuf times{1104573600, 1104573600};
      utime((disc + "/" + file).c_str(), &times);
    }
    const std::string image = drive_test::MakeIso(temp_, disc, "HOLIDAY", true, "disc.iso");
    if (image.empty()) GTEST_SKIP() << "xorriso made no image";
    // The image's serial sums its descriptor, whose times change from run to
    // run: the picture is taken with a serial that does not.
    drives_ = std::make_unique<drive_test::DrivesVariable>(
        "R=" + disc + ":cdrom:size=700M:serial=1A2B3C4D:image=" + image);

    program_ = std::make_unique<TZorvetProgram>(temp_.MakeFolder("run"));
    ASSERT_TRUE(program_->Start());
    window_ = program_->MainForm();
    window_->Show();
    Settle();
    ASSERT_NE(display_->WindowOf(window_->WindowHandle()), nullptr);

    Click(window_->Panel2->WindowHandle(), window_->ComboDriv->BoundsRect());
    Key(SDLK_DOWN, SDL_SCANCODE_DOWN);
    Key(SDLK_RETURN, SDL_SCANCODE_RETURN);
    ASSERT_EQ(window_->ComboDriv->Text(), "R:\\");
    EXPECT_EQ(program_->DataModule()->DriveRoot(), "R:\\");
    // The timer's poll, run now rather than waited for.
    window_->PollDrive();
    ASSERT_TRUE(window_->ScanCDA->Enabled());

    Click(window_->ToolBar1->WindowHandle(), window_->ToolButton1->BoundsRect());
    EXPECT_EQ(program_->DataModule()->MTDir->RecordCount(), 4);
    ASSERT_NE(window_->DBTree->Selected(), nullptr);
    EXPECT_EQ(window_->DBTree->Selected()->Text(), "HOLIDAY");
    Settle();
  }

  // Compares what the screen shows of the window with the reference
  // picture `name` (ZORVET_UPDATE_REFERENCES=1 writes it instead).
  void ExpectScreenLike(const std::string& name) {
    TSurface shown = display_->Screenshot(window_->WindowHandle());
    // The time of the scan changes from run to run: its label is left out.
    RECT label = window_->lbLastUpdate->BoundsRect();
    MapWindowPoints(window_->Panel4->WindowHandle(), window_->WindowHandle(),
                    reinterpret_cast<POINT*>(&label), 2);
    for (int y = label.top; y < label.bottom; ++y)
      for (int x = label.left; x < label.right; ++x) shown.SetPixel(x, y, PixelOf(0xFF, 0, 0xFF));
    const std::string reference = std::string(ZORVET_SOURCE_DIR) + "/tests/app/reference/" + name;
    if (const char* update = std::getenv("ZORVET_UPDATE_REFERENCES"); update && *update == '1') {
      ASSERT_TRUE(WritePng(shown, reference));
    }
    const auto expected = ReadPng(reference);
    ASSERT_TRUE(expected.has_value()) << reference;
    ASSERT_EQ(expected->Width(), shown.Width());
    ASSERT_EQ(expected->Height(), shown.Height());
    int differing = 0;
    for (int y = 0; y < shown.Height(); ++y)
      for (int x = 0; x < shown.Width(); ++x) {
        const TPixel p = shown.Pixel(x, y), q = expected->Pixel(x, y);
        if (std::abs(PixelR(p) - PixelR(q)) > 16 || std::abs(PixelG(p) - PixelG(q)) > 16 ||
            std::abs(PixelB(p) - PixelB(q)) > 16) {
          ++differing;
        }
      }
    EXPECT_LE(differing, 200) << "pixels differing from " << reference;
  }

  drive_test::TempFolder temp_;
  std::unique_ptr<drive_test::DrivesVariable> drives_;
  std::unique_ptr<TSdlDisplay> display_;
  std::unique_ptr<TZorvetProgram> program_;
  TMnFrm* window_ = nullptr;
  bool started_ = false;
  String dialogs_;
};

TEST_F(SdlMainWindowTest, AScanDrivenByTheMouseAndKeysShowsTheDisc) {
  StartAndScanHoliday();
  if (HasFatalFailure() || IsSkipped()) return;
  ExpectScreenLike("sdl-main-window.png");
}

TEST_F(SdlMainWindowTest, TheFileListInEachViewStyleAndTheSearchResults) {
  StartAndScanHoliday();
  if (HasFatalFailure() || IsSkipped()) return;
  const struct {
    void (TMnFrm::*click)(TObject*);
    const char* picture;
  } styles[] = {
      {&TMnFrm::TitlesClick, "sdl-files-list.png"},
      {&TMnFrm::IconClick, "sdl-files-icons.png"},
      {&TMnFrm::ReportClick, "sdl-files-report.png"},
      {&TMnFrm::SmallIconClick, "sdl-files-small-icons.png"},
  };
  window_->PageC->SetActivePage(window_->TabFiles);
  for (const auto& style : styles) {
    (window_->*style.click)(nullptr);
    Settle();
    ExpectScreenLike(style.picture);
  }

  window_->PageC->SetActivePage(window_->TabSearch);
  window_->EdF->SetText("*.jpg");
  window_->PickEdit1ButtonsIn0Click(nullptr);
  window_->EdFButtonsIn3Click(nullptr);  // the results as a report
  Settle();
  EXPECT_EQ(window_->ListFound->Items()->Count(), 1);
  ExpectScreenLike("sdl-search-results.png");
}

}  // namespace
