// bench/bench_walk.cpp
//
// A scan walks a whole disc. Measures TFindFile over a generated tree (the
// file count given by --rows, one folder per 20 files, in two levels) with
// empty handlers against GNU find printing size, time and path of the same
// tree, and against a plain opendir/readdir/lstat walk.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <string>

#include "bench/CatalogTable.h"
#include "catalog/FindFile.h"
#include "platform/win/Drives.h"

namespace {

using namespace bench;

ScratchFolder& Scratch() {
  static ScratchFolder folder;
  return folder;
}

// The tree of `files` files, made once per size: top folders of 50
// subfolders each, 20 small files per subfolder.
std::string TreeOf(std::size_t files) {
  const std::filesystem::path root = Scratch().Path() / ("tree-" + std::to_string(files));
  if (std::filesystem::exists(root)) return root.string();
  const std::size_t folders = std::max<std::size_t>(1, files / 20);
  for (std::size_t f = 0; f < folders; ++f) {
    const std::filesystem::path folder =
        root / ("Disc folder " + std::to_string(f / 50)) / ("Photos " + std::to_string(f));
    std::filesystem::create_directories(folder);
    for (std::size_t i = 0; i < 20 && f * 20 + i < files; ++i) {
      std::ofstream(folder / ("IMG_" + std::to_string(f * 20 + i) + ".jpg")) << "x";
    }
  }
  return root.string();
}

void WalkOurs(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const std::string root = TreeOf(n);
  Measure(state, "walk", n, [&] {
    TFindFile finder(nullptr);
    finder.SetRecurse(true);
    finder.SetFilter("*.*");
    finder.SetDirectory(root);
    finder.OnNewPath = [](TObject*, const String&, bool&) {};
    finder.OnFind = [](TObject*, const String&, const TSearchRec&, bool&) {};
    finder.Execute();
    if (static_cast<std::size_t>(finder.Files()->Count()) < n) state.SkipWithError("files missed");
  });
}

void WalkFind(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const std::string command = "find '" + TreeOf(n) + "' -printf '%s %T@ %p\\n' >/dev/null";
  Measure(state, "walk-find", n, [&] {
    if (std::system(command.c_str()) != 0) state.SkipWithError("find failed");
  });
}

void WalkPlain(benchmark::State& state) {
  const std::size_t n = static_cast<std::size_t>(state.range(0));
  const std::string root = TreeOf(n);
  Measure(state, "walk-readdir", n, [&] {
    std::deque<std::string> pending{root + "/"};
    std::size_t files = 0;
    Int64 bytes = 0;
    while (!pending.empty()) {
      const std::string folder = std::move(pending.front());
      pending.pop_front();
      DIR* dir = opendir(folder.c_str());
      if (dir == nullptr) continue;
      while (const dirent* entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        std::string path = folder + entry->d_name;
        struct stat info;
        if (lstat(path.c_str(), &info) != 0) continue;
        if (S_ISDIR(info.st_mode)) {
          pending.push_back(path + "/");
        } else {
          ++files;
          bytes += info.st_size;
        }
      }
      closedir(dir);
    }
    if (files < n) state.SkipWithError("files missed");
    benchmark::DoNotOptimize(bytes);
  });
}

}  // namespace

int main(int argc, char** argv) {
  InitDriveMapping();
  for (std::size_t rows : RowCounts(argc, argv)) {
    // Every tree is made before anything is timed, so no walk meets freshly
    // written folders; each walk then runs for a few seconds, not just once.
    TreeOf(rows);
    const auto n = static_cast<int64_t>(rows);
    using Walk = void (*)(benchmark::State&);
    const std::pair<const char*, Walk> walks[] = {
        {"walk/ours", WalkOurs}, {"walk/find", WalkFind}, {"walk/readdir", WalkPlain}};
    for (const auto& [name, walk] : walks)
      benchmark::RegisterBenchmark(name, walk)
          ->Arg(n)
          ->MinTime(2.0)
          ->UseRealTime()
          ->Unit(benchmark::kMillisecond);
  }
  return RunAndReport(argc, argv, {{"walk", "walk-readdir", 1.5}, {"walk", "walk-find", 1.5}});
}
