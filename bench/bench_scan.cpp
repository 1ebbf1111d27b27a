// bench/bench_scan.cpp
//
// The catalogue's scan and delete, as the program runs them on the null
// backend with a status bar updated at every row. Measures:
//   - the data module's scan of a generated disc (100,000 files in 5,000
//     folders, mapped as a CD-ROM drive) into an empty catalogue and into
//     one of 1,000,000 rows, against the bare TFindFile walk of the disc;
//   - deleting a disk of 10,000 rows from a catalogue of 1,000,000 rows,
//     against one pass over the table reading each row's SN.
// Every timed run starts from the same catalogue: what a run added or
// deleted is put back outside the timing.
#include <cstdlib>
#include <fstream>

#include "app/DmZorvet.h"
#include "bench/CatalogTable.h"
#include "catalog/FindFile.h"
#include "catalog/TableList.h"
#include "platform/controls/Application.h"
#include "platform/controls/Form.h"
#include "platform/rtl/ModuleInit.h"
#include "platform/rtl/StringUtils.h"
#include "platform/win/Drives.h"
#include "platform/win/Message.h"
#include "platform/win/StatusBar.h"
#include "platform/win/Window.h"
#include "platform/win/WindowSystem.h"

namespace {

using namespace bench;

constexpr std::size_t kFiles = 100000;
constexpr std::size_t kFolders = 5000;
constexpr std::size_t kDeletedRows = 10000;
constexpr const char* kDiscSerial = "1234:5678";

ScratchFolder& Scratch() {
  static ScratchFolder folder;
  return folder;
}

// 50 top folders of 99 subfolders each: 5,000 folders of 20 files.
const std::string& Disc() {
  static const std::string root = [] {
    const std::filesystem::path disc = Scratch().Path() / "disc";
    std::size_t made = 0;
    for (std::size_t top = 0; top < 50; ++top) {
      const std::filesystem::path folder = disc / ("Backup " + std::to_string(top));
      std::vector<std::filesystem::path> folders{folder};
      for (std::size_t sub = 0; sub < kFolders / 50 - 1; ++sub)
        folders.push_back(folder / ("Photos " + std::to_string(sub)));
      for (const auto& f : folders) {
        std::filesystem::create_directories(f);
        for (std::size_t i = 0; i < kFiles / kFolders; ++i)
          std::ofstream(f / ("IMG_" + std::to_string(made++) + ".jpg")) << "x";
      }
    }
    setenv("ZORVET_DRIVES",
           ("S=" + disc.string() + ":cdrom:label=BENCH:serial=12345678:fs=CDFS:size=700M").c_str(),
           1);
    InitDriveMapping();
    return disc.string();
  }();
  return root;
}

// A main window of the null backend with a status bar of two parts, each
// 50 pixels wide, as the program's. (The bar is the window model's control,
// which the program's status bar component wraps.)
class TBenchWindow : public TZorvetWindow {
 public:
  TBenchWindow() : form_(new TCustomForm(owner_.get())) {
    form_->SetBounds(360, 315, 600, 492);
    form_->Show();
    RegisterStatusBarClass();
    bar_ = CreateWindowEx(0, STATUSCLASSNAME, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                          form_->Handle(), nullptr, nullptr, nullptr);
    const int parts[] = {50, 100};
    SendMessage(bar_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
  }
  void ShowStatus(Integer panel, const String& text) override {
    SendMessage(bar_, SB_SETTEXT, static_cast<WPARAM>(panel),
                reinterpret_cast<LPARAM>(text.c_str()));
  }
  void SetGaugeMax(Int64) override {}
  void ShowDiskSpace() override {}
  void BindTree(TDataSource*) override {}
  void SetTreeReady(bool) override {}
  void SelectFirstNode() override {}
  void FullCollapse() override {}
  void CollapseSelectedNode() override {}
  void FireTreeChange() override {}

 private:
  std::unique_ptr<TComponent> owner_ = std::make_unique<TComponent>(nullptr);
  TCustomForm* form_;
  HWND bar_ = nullptr;
};

// The program's surroundings: window system, control layer, data module.
struct TProgram {
  TProgram() {
    InitializeModules({ControlsModule()});
    window = std::make_unique<TBenchWindow>();
    module = std::make_unique<TDmZorvet>(nullptr, (Scratch().Path() / "catalogue").string());
    module->SetWindow(window.get());
    module->LList->Items()->FindItem("dir")->Open();
  }
  ~TProgram() {
    module.reset();
    window.reset();
    FinalizeModules();
  }
  // The catalogue of `rows` generated rows (0: empty).
  void Fill(std::size_t rows) {
    if (rows > 0) AppendRows(*module->MTDir, CatalogOf(rows).Rows);
  }

  TWindowSystem system;
  std::unique_ptr<TBenchWindow> window;
  std::unique_ptr<TDmZorvet> module;
};

// A disk of its own, appended after the catalogue as a scan appends it.
const std::vector<Row>& DeletedDisk() {
  static const std::vector<Row> disk = [] {
    std::vector<Row> rows = MakeCatalogRows(kDeletedRows);
    for (Row& row : rows) row[cSN] = std::string("DEAD:BEEF");
    return rows;
  }();
  return disk;
}

void Walk(benchmark::State& state) {
  Disc();
  Measure(state, "walk", kFiles, [&] {
    TFindFile finder(nullptr);
    finder.SetRecurse(true);
    finder.SetFilter("*.*");
    finder.SetDirectory("S:\\");
    finder.OnNewPath = [](TObject*, const String&, bool&) {};
    finder.OnFind = [](TObject*, const String&, const TSearchRec&, bool&) {};
    finder.Execute();
    if (static_cast<std::size_t>(finder.Files()->Count()) < kFiles / kFolders)
      state.SkipWithError("files missed");
  });
}

void Scan(benchmark::State& state) {
  const std::size_t rows = static_cast<std::size_t>(state.range(0));
  Disc();
  TProgram program;
  program.Fill(rows);
  TDmZorvet& dm = *program.module;
  dm.SetDriveRoot("S:\\");
  dm.SetSerialNumber(kDiscSerial);
  dm.SetVolumeLabel("BENCH");
  dm.SetFileSystemName("CDFS");
  Measure(
      state, rows == 0 ? "scan-empty" : "scan-1M", kFiles,
      [&] {
        const String failure = dm.ScanDrive();
        if (!failure.empty()) state.SkipWithError(failure.c_str());
      },
      [&] { dm.DeleteDisk(kDiscSerial); });
}

void Delete(benchmark::State& state) {
  const std::size_t rows = static_cast<std::size_t>(state.range(0));
  TProgram program;
  program.Fill(rows);
  TDmZorvet& dm = *program.module;
  const std::vector<Row>& disk = DeletedDisk();
  AppendRows(*dm.MTDir, disk);
  Measure(
      state, "delete", kDeletedRows,
      [&] {
        if (dm.DeleteDisk("DEAD:BEEF") != static_cast<Integer>(kDeletedRows))
          state.SkipWithError("rows missed");
      },
      [&] { AppendRows(*dm.MTDir, disk); });
}

void Pass(benchmark::State& state) {
  const std::size_t rows = static_cast<std::size_t>(state.range(0));
  TProgram program;
  program.Fill(rows);
  TvomMemTable& table = *program.module->MTDir;
  AppendRows(table, DeletedDisk());
  Measure(state, "pass", kDeletedRows, [&] {
    Integer found = 0;
    table.DisableControls();
    TField* sn = table.FieldByName("SN");
    for (table.First(); !table.Eof(); table.Next())
      if (SameText(sn->AsString(), "DEAD:BEEF")) ++found;
    table.EnableControls();
    benchmark::DoNotOptimize(found);
  });
}

}  // namespace

int main(int argc, char** argv) {
  const auto unit = benchmark::kMillisecond;
  benchmark::RegisterBenchmark("walk", Walk)->Unit(unit)->UseRealTime()->MinTime(2.0);
  benchmark::RegisterBenchmark("scan", Scan)
      ->Arg(0)
      ->Arg(1000000)
      ->Unit(unit)
      ->UseRealTime()
      ->Iterations(3);
  benchmark::RegisterBenchmark("delete", Delete)
      ->Arg(1000000)
      ->Unit(unit)
      ->UseRealTime()
      ->Iterations(3);
  benchmark::RegisterBenchmark("pass", Pass)
      ->Arg(1000000)
      ->Unit(unit)
      ->UseRealTime()
      ->Iterations(3);
  return RunAndReport(
      argc, argv, {{"scan-empty", "walk", 3.0}, {"scan-1M", "walk", 3.0}, {"delete", "pass", 3.0}});
}
