// bench/bench_window.cpp
//
// The catalogue program's main window on the null backend, over the
// generated catalogue written as "Zorvet.stbl" (with one folder of 100 files
// added). Measures:
//   - start-up to a responsive window (the data module and window made, the
//     catalogue loaded, copied into the working table, the tree built and
//     its first node selected, the window shown), against the engine's plain
//     load of the same file;
//   - a click on the folder of 100 files (filter, list filled, totals),
//     against the engine's filter walk of the same folder;
//   - the resident memory per catalogue row after start-up, beside the
//     file's size per row (printed, no goal).
// Run with --rows=100000,1000000.
#include <fstream>

#include "app/DmZorvet.h"
#include "app/MnFrm.h"
#include "app/Startup.h"
#include "bench/CatalogTable.h"
#include "catalog/TableList.h"
#include "memtable/CsvStreamFormat.h"
#include "memtable/MemTable.h"
#include "platform/controls/ActnList.h"
#include "platform/controls/Application.h"
#include "platform/controls/ListView.h"
#include "platform/controls/TreeView.h"
#include "platform/rtl/ModuleInit.h"
#include "platform/win/Drives.h"
#include "platform/win/WindowSystem.h"
#include "ui/slDBTree.h"

namespace {

using namespace bench;

constexpr Integer kFolderId = 99999999;
constexpr const char* kFolderName = "Hundred files";

ScratchFolder& Scratch() {
  static ScratchFolder folder;
  return folder;
}

// The folder holding "Zorvet.stbl" of `rows` rows, written once per size.
std::string CatalogueFolder(std::size_t rows) {
  const std::string folder = (Scratch().Path() / std::to_string(rows)).string();
  if (std::filesystem::exists(folder + "/" + CatalogueFileName)) return folder;
  std::filesystem::create_directories(folder);
  std::vector<Row> extra;
  Row dir{};
  dir[cIdParent] = std::get<Integer>(CatalogOf(rows).Rows[0][cId]);
  dir[cId] = kFolderId;
  dir[cDirName] = std::string(kFolderName);
  dir[cPath] = std::string("ABCD:1234:\\Hundred files\\");
  dir[cImIndex] = Integer(1);
  dir[cStImIndex] = Integer(11);
  extra.push_back(dir);
  for (int i = 0; i < 100; ++i) {
    Row file{};
    file[cDirName] = "file_" + std::to_string(i) + ".txt";
    file[cPath] = std::string("ABCD:1234:\\Hundred files\\");
    file[cIdFile] = kFolderId;
    file[cFileSize] = Integer(1000 + i);
    file[cFileAttr] = Integer(32);
    file[cDateCreated] = TDateTime(38000.5);
    extra.push_back(file);
  }
  TWindowSystem system;
  InitializeModules(ZorvetModules());
  {
    TDmZorvet module(nullptr, folder);
    module.LList->Items()->FindItem("dir")->Open();
    AppendRows(*module.MTDir, CatalogOf(rows).Rows);
    AppendRows(*module.MTDir, extra);
    if (!module.SaveCatalogue().empty()) std::abort();
  }
  FinalizeModules();
  return folder;
}

// The program started over the folder, its window shown.
struct TRunningProgram {
  explicit TRunningProgram(const std::string& folder) {
    InitializeModules(ZorvetModules());
    program = std::make_unique<TZorvetProgram>(folder);
    if (!program->Start()) std::abort();
    program->MainForm()->Show();
    Application->ProcessMessages();
  }
  ~TRunningProgram() {
    program.reset();
    FinalizeModules();
  }
  TWindowSystem system;
  std::unique_ptr<TZorvetProgram> program;
};

Int64 ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return static_cast<Int64>(resident) * sysconf(_SC_PAGESIZE);
}

void Startup(benchmark::State& state) {
  const std::size_t rows = static_cast<std::size_t>(state.range(0));
  const std::string folder = CatalogueFolder(rows);
  const Int64 before = ResidentBytes();
  Int64 after = 0;
  std::unique_ptr<TRunningProgram> running;
  Measure(
      state, "startup", rows, [&] { running = std::make_unique<TRunningProgram>(folder); },
      [&] {
        after = ResidentBytes();
        running.reset();
      });
  const double fileBytes =
      static_cast<double>(std::filesystem::file_size(folder + "/" + CatalogueFileName));
  state.counters["rss_per_row"] = static_cast<double>(after - before) / static_cast<double>(rows);
  state.counters["file_per_row"] = fileBytes / static_cast<double>(rows);
}

void PlainLoad(benchmark::State& state) {
  const std::size_t rows = static_cast<std::size_t>(state.range(0));
  const std::string file = CatalogueFolder(rows) + "/" + CatalogueFileName;
  Measure(state, "load", rows, [&] {
    TvomMemTable table(nullptr);
    TvomCSVStreamFormat csv(nullptr);
    table.SetDefaultFormat(&csv);
    table.LoadFromFile(file);
    if (table.RecordCount() < static_cast<Integer>(rows)) std::abort();
  });
}

TTreeNode* FolderNode(TMnFrm* form) {
  TTreeNodes* nodes = form->DBTree->Items();
  for (Integer i = 0; i < nodes->Count(); ++i)
    if (nodes->Item(i)->Text() == kFolderName) return nodes->Item(i);
  return nullptr;
}

void FolderClick(benchmark::State& state) {
  const std::size_t rows = static_cast<std::size_t>(state.range(0));
  TRunningProgram running(CatalogueFolder(rows));
  TMnFrm* form = running.program->MainForm();
  form->FullExpandA->Execute();
  TTreeNode* folder = FolderNode(form);
  TTreeNode* first = form->DBTree->Items()->GetFirstNode();
  if (!folder || !first) std::abort();
  Measure(
      state, "click", rows, [&] { folder->SetSelected(true); },
      [&] {
        if (form->ListView->Items()->Count() != 100) std::abort();
        first->SetSelected(true);
      });
}

void FilterWalk(benchmark::State& state) {
  const std::size_t rows = static_cast<std::size_t>(state.range(0));
  TRunningProgram running(CatalogueFolder(rows));
  TvomMemTable* files = running.program->DataModule()->MTFiles;
  Measure(state, "walk", rows, [&] {
    files->SetFilter("([id] = null) and [IdFile] = '" + std::to_string(kFolderId) + "'");
    files->SetFiltered(true);
    Int64 bytes = 0;
    TField* size = files->FieldByName("FileSize");
    for (files->First(); !files->Eof(); files->Next()) bytes += size->AsLargeInt();
    if (bytes == 0) std::abort();
    files->SetFilter("[id] = 0");
  });
}

}  // namespace

int main(int argc, char** argv) {
  InitDriveMapping();
  const auto unit = benchmark::kMillisecond;
  for (const std::size_t rows : RowCounts(argc, argv)) {
    const auto count = static_cast<int64_t>(rows);
    const int repeat = rows >= 1000000 ? 1 : 3;
    benchmark::RegisterBenchmark("startup", Startup)
        ->Arg(count)
        ->Unit(unit)
        ->UseRealTime()
        ->Iterations(repeat);
    benchmark::RegisterBenchmark("load", PlainLoad)
        ->Arg(count)
        ->Unit(unit)
        ->UseRealTime()
        ->Iterations(repeat);
    benchmark::RegisterBenchmark("click", FolderClick)
        ->Arg(count)
        ->Unit(unit)
        ->UseRealTime()
        ->Iterations(5);
    benchmark::RegisterBenchmark("walk", FilterWalk)
        ->Arg(count)
        ->Unit(unit)
        ->UseRealTime()
        ->Iterations(5);
  }
  return RunAndReport(argc, argv, {{"startup", "load", 2.0}, {"click", "walk", 3.0}});
}
