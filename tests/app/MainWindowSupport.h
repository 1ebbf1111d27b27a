// tests/app/MainWindowSupport.h
//
// The whole program on the null display: its modules started as the
// program starts them, the catalogue in a folder of the test's own, the ini
// file's folder ($XDG_CONFIG_HOME) pointed at another, and discs made of
// temporary folders (optionally with an ISO image for their volume) mapped
// as CD-ROM drives.
#pragma once

#include <gtest/gtest.h>
#include <utime.h>

#include <memory>
#include <optional>
#include <string>

#include "app/DmZorvet.h"
#include "app/MnFrm.h"
#include "app/Startup.h"
#include "memtable/MemTable.h"
#include "platform/controls/ActnList.h"
#include "platform/controls/ComboBox.h"
#include "platform/controls/Label.h"
#include "platform/display/NullDisplay.h"
#include "platform/win/Drives.h"
#include "tests/controls/DialogScript.h"
#include "tests/win/DriveTestSupport.h"

// Sets an environment variable for the scope.
class TEnvironmentScope {
 public:
  TEnvironmentScope(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~TEnvironmentScope() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }
  TEnvironmentScope(const TEnvironmentScope&) = delete;
  TEnvironmentScope& operator=(const TEnvironmentScope&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() {
    InitDriveMapping();
    InitializeModules(ZorvetModules());
  }
  ~MainWindowTest() override {
    program_.reset();
    FinalizeModules();
  }

  // Starts the program over the catalogue folder and shows its window.
  TMnFrm& Start() {
    program_ = std::make_unique<TZorvetProgram>(catalogue_);
    EXPECT_TRUE(program_->Start());
    Window().Show();
    display_.Pump();
    return Window();
  }
  // Closes the window as the user does (the catalogue is saved) and ends the program.
  void Close() {
    Window().Close();
    display_.Pump();
    program_.reset();
  }
  TMnFrm& Window() { return *program_->MainForm(); }
  TDmZorvet& Module() { return *program_->DataModule(); }
  std::string CatalogueFile() const { return catalogue_ + "/" + CatalogueFileName; }

  // Maps `folder` as drive R:, a CD-ROM with the given volume (its label,
  // serial and file system taken from `image` when one is given) and size.
  void MapDisc(const std::string& folder, const std::string& label = "MYDISC",
               const std::string& serial = "1A2B3C4D", const std::string& image = "",
               const std::string& size = "700M") {
    drives_.reset();
    drives_ = std::make_unique<drive_test::DrivesVariable>(
        "R=" + folder + ":cdrom" +
        (image.empty() ? ":label=" + label + ":serial=" + serial + ":fs=CDFS" : ":image=" + image) +
        ":size=" + size);
  }
  // The user picks drive R: and the next poll reads it.
  void PickDrive(const String& root = "R:\\") {
    Window().ComboDriv->SetText(root);
    Window().ComboDrivChange(Window().ComboDriv);
    display_.Advance(2000);
  }
  // The scan, as the button runs it (whether or not the poll enabled it).
  void PressScan() {
    Window().ScanCDAExecute(Window().ScanCDA);
    display_.Pump();
  }
  // A small disc with fixed file times, so that what the window shows of it
  // is the same on every run.
  std::string MakeDisc(const std::string& name) {
    const std::string folder = temp_.MakeFolder(name);
    temp_.Write(name + "/readme.txt", std::string(1536, 'r'));
    temp_.Write(name + "/Photos/2004/beach.jpg", std::string(4096, 'b'));
    temp_.Write(name + "/Photos/2004/dune.jpg", std::string(2048, 'd'));
    temp_.Write(name + "/Photos/summer.png", std::string(100, 's'));
    temp_.Write(name + "/Music/song.mp3", std::string(3000, 'm'));
    for (const char* file : {"readme.txt", "Photos/2004/beach.jpg", "Photos/2004/dune.jpg",
                             "Photos/summer.png", "Music/song.mp3"}) {
      const utimbuf times{1104573600, 1104573600};  // 2005-01-01
      utime((folder + "/" + file).c_str(), &times);
    }
    return folder;
  }

  TNullDisplay display_;
  drive_test::TempFolder temp_;
  TEnvironmentScope config_{"XDG_CONFIG_HOME", temp_.MakeFolder("config")};
  std::string catalogue_ = temp_.MakeFolder("run");
  std::unique_ptr<drive_test::DrivesVariable> drives_;
  std::unique_ptr<TZorvetProgram> program_;
};
