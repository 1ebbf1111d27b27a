// tests/app/AppTestSupport.h
//
// A data module on the null backend with a stand-in main window that records
// what the module asks of it, a catalogue folder of its own, and a disc made
// of a temporary folder mapped to drive R: as a CD-ROM.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

#include "app/DmZorvet.h"
#include "catalog/TableList.h"
#include "memtable/MemTable.h"
#include "platform/controls/Application.h"
#include "platform/data/Field.h"
#include "platform/win/WindowSystem.h"
#include "tests/controls/DialogScript.h"
#include "tests/win/DriveTestSupport.h"

class TRecordingWindow : public TZorvetWindow {
 public:
  void ShowStatus(Integer panel, const String& text) override { status[panel] = text; }
  void SetGaugeMax(Int64 totalBytes) override { gaugeMax = totalBytes; }
  void ShowDiskSpace() override { calls.push_back("ShowDiskSpace"); }
  void BindTree(TDataSource* source) override {
    bound = source;
    calls.push_back(source ? "BindTree" : "UnbindTree");
  }
  void SetTreeReady(bool ready) override { treeReady = ready; }
  void SelectFirstNode() override { calls.push_back("SelectFirstNode"); }
  void FullCollapse() override { calls.push_back("FullCollapse"); }
  void CollapseSelectedNode() override { calls.push_back("CollapseSelectedNode"); }
  void FireTreeChange() override { calls.push_back("FireTreeChange"); }

  std::map<Integer, String> status;
  Int64 gaugeMax = -1;
  TDataSource* bound = nullptr;
  bool treeReady = false;
  std::vector<String> calls;
};

// One catalogue row as the tests compare it; -1 stands for a null number.
struct TRow {
  Integer idparent, id;
  String dirname, path;
  Integer idfile;
  String sn;
  Integer fileSize, totalSize, imIndex;
};

class AppTest : public ::testing::Test {
 protected:
  AppTest() {
    InitDriveMapping();
    InitializeModules({ControlsModule()});
  }
  ~AppTest() override {
    module_.reset();
    FinalizeModules();
  }

  // A data module over the catalogue folder, with the item "dir" opened.
  TDmZorvet& OpenModule() {
    module_ = std::make_unique<TDmZorvet>(nullptr, catalogue_);
    module_->SetWindow(&window_);
    TLStrItem* item = module_->LList->Items()->FindItem("dir");
    item->Open();
    return *module_;
  }
  void CloseModule() { module_.reset(); }

  // Maps `folder` as drive R:, a CD-ROM with the given serial (hexadecimal).
  void MapDisc(const std::string& folder, const std::string& serial = "1A2B3C4D",
               const std::string& label = "MYDISC", const std::string& extra = "") {
    drives_ = std::make_unique<drive_test::DrivesVariable>("R=" + folder + ":cdrom:label=" + label +
                                                           ":serial=" + serial +
                                                           ":fs=CDFS:size=700M" + extra);
  }
  // Scans drive R: as the main window does, with the volume's texts.
  String Scan(const String& serialText = "1A2B:3C4D", const String& label = "MYDISC") {
    module_->SetDriveRoot("R:\\");
    module_->SetSerialNumber(serialText);
    module_->SetVolumeLabel(label);
    module_->SetFileSystemName("CDFS");
    return module_->ScanDrive();
  }

  // Every row of the table, in its current order.
  static std::vector<TRow> Rows(TvomMemTable* table) {
    std::vector<TRow> rows;
    for (table->First(); !table->Eof(); table->Next()) {
      auto f = [&](const char* name) { return table->FieldByName(name); };
      auto n = [&](const char* name) { return f(name)->IsNull() ? -1 : f(name)->AsInteger(); };
      rows.push_back({n("idparent"), n("id"), f("dirname")->AsString(), f("path")->AsString(),
                      n("IdFile"), f("SN")->AsString(), n("FileSize"), n("TotalSize"),
                      n("ImIndex")});
    }
    return rows;
  }
  // The row of the folder or file named `name` (the first), or nullptr.
  static const TRow* Find(const std::vector<TRow>& rows, const String& name) {
    for (const TRow& row : rows)
      if (row.dirname == name) return &row;
    return nullptr;
  }
  // The saved form of the catalogue, byte for byte.
  std::vector<unsigned char> Saved(const std::string& name) {
    const std::string file = temp_ / name;
    module_->MTDir->SaveToFile(file);
    return drive_test::ReadFile(file);
  }

  TWindowSystem system_;
  drive_test::TempFolder temp_;
  std::string catalogue_ = temp_.MakeFolder("catalogue");
  TRecordingWindow window_;
  std::unique_ptr<drive_test::DrivesVariable> drives_;
  std::unique_ptr<TDmZorvet> module_;
};
