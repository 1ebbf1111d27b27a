// The file finder's walk and its events.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <deque>
#include <filesystem>

#include "catalog/FindFile.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/PropertyRegistry.h"
#include "tests/win/DriveTestSupport.h"

using drive_test::DrivesVariable;
using drive_test::TempFolder;

namespace {

// Reaches the run state that the finder keeps for itself.
class TRecordingFinder : public TFindFile {
 public:
  TRecordingFinder() : TFindFile(nullptr) {
    BeforeExecute = [this](TObject*) { events.push_back("before"); };
    AfterExecute = [this](TObject*) { events.push_back("after"); };
    OnNewPath = [this](TObject* sender, const String& path, bool& abort) {
      EXPECT_EQ(sender, this);
      events.push_back("path " + path);
      if (path == abort_at_path) abort = true;
      if (on_path) on_path(path);
    };
    OnFind = [this](TObject*, const String& name, const TSearchRec& rec, bool& abort) {
      events.push_back("find " + name);
      sizes.push_back(rec.Size);
      if (name == abort_at_find) abort = true;
    };
  }
  using TFindFile::Aborted;
  using TFindFile::FileCount;
  using TFindFile::FolderCount;
  using TFindFile::TotalBytes;

  std::vector<String> events;
  std::vector<Int64> sizes;
  String abort_at_path;
  String abort_at_find;
  std::function<void(const String&)> on_path;
};

class FindFileWalk : public ::testing::Test {
 protected:
  void SetUp() override {
    // root: r.txt; A: a.txt, A1/a1.txt; B: B1/ (empty)
    temp_.Write("disc/r.txt", "root");
    temp_.Write("disc/A/a.txt", "12");
    temp_.Write("disc/A/A1/a1.txt", "1");
    temp_.MakeFolder("disc/B/B1");
    finder_.SetRecurse(true);
    finder_.SetDirectory("E:");
  }
  TempFolder temp_;
  DrivesVariable drives_{"E=" + temp_ / "disc"};
  TRecordingFinder finder_;
};

TEST_F(FindFileWalk, FoldersLevelByLevelEachFollowedByItsFiles) {
  finder_.Execute();
  std::vector<String> expected{"before",
                               "path E:\\",
                               "find E:\\r.txt",
                               "path E:\\A\\",
                               "find E:\\A\\a.txt",
                               "path E:\\B\\",
                               "path E:\\A\\A1\\",
                               "find E:\\A\\A1\\a1.txt",
                               "path E:\\B\\B1\\",
                               "after"};
  EXPECT_EQ(finder_.events, expected);
  EXPECT_EQ(finder_.TotalBytes(), 7);
  EXPECT_EQ(finder_.FileCount(), 3u);
  EXPECT_EQ(finder_.FolderCount(), 0u);  // folders are reached through the queue only
  EXPECT_EQ(finder_.Files()->Count(), 3);
  EXPECT_EQ(finder_.Files()->Strings(2), "E:\\A\\A1\\a1.txt");
}

TEST_F(FindFileWalk, DirectoryIsStoredWithItsSeparator) {
  EXPECT_EQ(finder_.Directory(), "E:\\");
  finder_.SetDirectory("E:\\A");
  EXPECT_EQ(finder_.Directory(), "E:\\A\\");
  finder_.SetDirectory("/srv/one");
  EXPECT_EQ(finder_.Directory(), "/srv/one/");
  finder_.SetDirectory("");
  EXPECT_EQ(finder_.Directory(), "");
  finder_.Execute();
  EXPECT_EQ(finder_.events, (std::vector<String>{"before", "after"}));
}

TEST_F(FindFileWalk, OneFolderWithoutRecurse) {
  finder_.SetRecurse(false);
  finder_.SetDirectory("E:\\A");
  finder_.Execute();
  EXPECT_EQ(finder_.events,
            (std::vector<String>{"before", "path E:\\A\\", "find E:\\A\\a.txt", "after"}));
}

TEST_F(FindFileWalk, FoldersReachOnFindWhenTheAttributesAskForThem) {
  finder_.SetRecurse(false);
  finder_.SetAttributes(finder_.Attributes() + ffDirectory);
  finder_.Execute();
  EXPECT_EQ(finder_.events, (std::vector<String>{"before", "path E:\\", "find E:\\A", "find E:\\B",
                                                 "find E:\\r.txt", "after"}));
  EXPECT_EQ(finder_.FolderCount(), 2u);
  EXPECT_EQ(finder_.FileCount(), 1u);
  EXPECT_EQ(finder_.TotalBytes(), 4);  // a folder adds no bytes
}

TEST_F(FindFileWalk, AbortFromOnNewPathSkipsThatFolderAndEndsTheWalk) {
  finder_.abort_at_path = "E:\\A\\";
  finder_.Execute();
  EXPECT_EQ(finder_.events, (std::vector<String>{"before", "path E:\\", "find E:\\r.txt",
                                                 "path E:\\A\\", "after"}));
}

TEST_F(FindFileWalk, AbortFromOnFindEndsTheFolderAtOnce) {
  temp_.Write("disc/A/b.txt");
  finder_.abort_at_find = "E:\\A\\a.txt";
  finder_.Execute();
  EXPECT_EQ(finder_.events, (std::vector<String>{"before", "path E:\\", "find E:\\r.txt",
                                                 "path E:\\A\\", "find E:\\A\\a.txt", "after"}));
  // A fresh run starts over.
  finder_.abort_at_find.clear();
  finder_.events.clear();
  finder_.Execute();
  EXPECT_EQ(finder_.events.back(), "after");
  EXPECT_EQ(finder_.FileCount(), 4u);
}

TEST_F(FindFileWalk, AFolderThatVanishesIsReportedWithoutEntries) {
  // B's subfolders are queued only when B itself is searched; removing B
  // after the root's listing leaves it queued but gone.
  finder_.on_path = [this](const String& path) {
    if (path == "E:\\") std::filesystem::remove_all(temp_ / "disc/B");
  };
  finder_.Execute();
  std::vector<String> expected{"before",
                               "path E:\\",
                               "find E:\\r.txt",
                               "path E:\\A\\",
                               "find E:\\A\\a.txt",
                               "path E:\\B\\",
                               "path E:\\A\\A1\\",
                               "find E:\\A\\A1\\a1.txt",
                               "after"};
  EXPECT_EQ(finder_.events, expected);
}

// A folder its user cannot read or enter: root can read and enter every
// folder, so these skip there, and the test suite runs them again as the
// user nobody (suites named *Unprivileged, see CMakeLists.txt).
class FindFileWalkUnprivileged : public FindFileWalk {
 protected:
  void SetUp() override {
    if (geteuid() == 0) GTEST_SKIP() << "root reads and enters every folder";
    FindFileWalk::SetUp();
  }
};

TEST_F(FindFileWalkUnprivileged, AFolderThatCannotBeReadGivesNoEntriesAndNoError) {
  chmod((temp_ / "disc/A").c_str(), 0);
  finder_.Execute();
  std::vector<String> expected{"before",       "path E:\\",        "find E:\\r.txt", "path E:\\A\\",
                               "path E:\\B\\", "path E:\\B\\B1\\", "after"};
  EXPECT_EQ(finder_.events, expected);
}

TEST_F(FindFileWalkUnprivileged, AFolderThatCanBeListedButNotEnteredGivesNoEntriesAndNoSubfolders) {
  chmod((temp_ / "disc/A").c_str(), 0444);  // names readable, entries not
  finder_.SetAttributes(finder_.Attributes() + ffDirectory);
  finder_.Execute();
  std::vector<String> expected{"before",           "path E:\\",    "find E:\\A",   "find E:\\B",
                               "find E:\\r.txt",   "path E:\\A\\", "path E:\\B\\", "find E:\\B\\B1",
                               "path E:\\B\\B1\\", "after"};
  EXPECT_EQ(finder_.events, expected);
}

TEST_F(FindFileWalk, HiddenEntriesAndNamesWithoutExtension) {
  temp_.Write("disc/.hidden/inside");
  temp_.Write("disc/README");
  finder_.SetRecurse(false);
  finder_.Execute();
  EXPECT_NE(std::find(finder_.events.begin(), finder_.events.end(), "find E:\\README"),
            finder_.events.end());
  finder_.SetRecurse(true);
  finder_.Execute();
  EXPECT_NE(std::find(finder_.events.begin(), finder_.events.end(), "find E:\\.hidden\\inside"),
            finder_.events.end());
}

TEST_F(FindFileWalk, ALinkToAParentIsAFileNotAFolder) {
  symlink("..", (temp_ / "disc/A/A1/up").c_str());
  finder_.Execute();
  EXPECT_EQ(std::count(finder_.events.begin(), finder_.events.end(), "find E:\\A\\A1\\up"), 1);
  EXPECT_EQ(finder_.events.back(), "after");
  EXPECT_EQ(std::count_if(finder_.events.begin(), finder_.events.end(),
                          [](const String& e) { return e.starts_with("path "); }),
            5);
}

TEST_F(FindFileWalk, TwinFoldersEachGiveTheirOwnFiles) {
  // "x:y" is shown with U+F03A; a folder that holds U+F03A itself is another folder.
  temp_.Write("disc/T/x:y/colon");
  temp_.Write("disc/T/x\xEF\x80\xBAy/standin");
  finder_.SetDirectory("E:\\T");
  finder_.Execute();
  std::vector<String> found;
  for (const String& event : finder_.events)
    if (event.starts_with("find ")) found.push_back(event.substr(5));
  std::sort(found.begin(), found.end());
  std::vector<String> expected{"E:\\T\\" + NativeNameToWindows("x:y") + "\\colon",
                               "E:\\T\\" + NativeNameToWindows("x\xEF\x80\xBAy") + "\\standin"};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(found, expected);
}

TEST_F(FindFileWalk, ATreeDeeperThanTheLongestPathIsWalkedToTheBottom) {
  constexpr int kDepth = 300;
  auto name = [](int level) { return "folder " + std::to_string(level) + std::string(180, '-'); };
  drive_test::MakeDeepTree(temp_.MakeFolder("disc/deep"), kDepth, name);
  finder_.SetDirectory("E:\\deep");
  finder_.Execute();
  String bottom = "E:\\deep\\";
  for (int level = 0; level < kDepth; ++level) bottom += name(level) + "\\";
  ASSERT_GT(bottom.size(), 50000u);
  EXPECT_EQ(finder_.events[kDepth + 1], "path " + bottom);
  EXPECT_EQ(finder_.events[kDepth + 2], "find " + bottom + "bottom");
  EXPECT_EQ(finder_.FileCount(), 1u);
  EXPECT_EQ(finder_.TotalBytes(), 4);
}

TEST_F(FindFileWalk, NamesWithBackslashAndColonRoundTrip) {
  temp_.Write("disc/A/x:y/a\\b", "abc");
  finder_.Execute();
  String folder = "E:\\A\\" + NativeNameToWindows("x:y") + "\\";
  String file = folder + NativeNameToWindows("a\\b");
  EXPECT_NE(std::find(finder_.events.begin(), finder_.events.end(), "path " + folder),
            finder_.events.end());
  EXPECT_NE(std::find(finder_.events.begin(), finder_.events.end(), "find " + file),
            finder_.events.end());
  TSearchRec rec;
  ASSERT_EQ(FindFirst(file, faAnyFile, rec), 0);
  EXPECT_EQ(rec.Size, 3);
  FindClose(rec);
}

TEST_F(FindFileWalk, NativePathsWalkToo) {
  finder_.SetDirectory(temp_ / "disc/A");
  finder_.Execute();
  String root = temp_ / "disc/A/";
  EXPECT_EQ(finder_.events,
            (std::vector<String>{"before", "path " + root, "find " + root + "a.txt",
                                 "path " + root + "A1/", "find " + root + "A1/a1.txt", "after"}));
}

TEST_F(FindFileWalk, FilterSelectsEntriesButNotFolders) {
  temp_.Write("disc/A/A1/skip.dat");
  finder_.SetFilter("*.TXT");
  finder_.Execute();
  EXPECT_EQ(finder_.FileCount(), 3u);
  EXPECT_EQ(std::count(finder_.events.begin(), finder_.events.end(), "path E:\\A\\A1\\"), 1);
}

TEST_F(FindFileWalk, AMaskThatHidesFoldersStillWalksThem) {
  finder_.SetFilter("a*");
  finder_.SetAttributes(finder_.Attributes() + ffDirectory);
  finder_.Execute();
  std::vector<String> expected{"before",
                               "path E:\\",
                               "find E:\\A",
                               "path E:\\A\\",
                               "find E:\\A\\a.txt",
                               "find E:\\A\\A1",
                               "path E:\\B\\",
                               "path E:\\A\\A1\\",
                               "find E:\\A\\A1\\a1.txt",
                               "path E:\\B\\B1\\",
                               "after"};
  EXPECT_EQ(finder_.events, expected);
  EXPECT_EQ(finder_.FolderCount(), 2u);
  EXPECT_EQ(finder_.FileCount(), 2u);
}

TEST_F(FindFileWalk, HiddenFoldersAreWalkedWhenHiddenEntriesAreNotAskedFor) {
  temp_.Write("disc/.hid/in.txt");
  temp_.Write("disc/.top.txt");
  finder_.SetAttributes({ffReadOnly, ffArchive});
  finder_.Execute();
  std::vector<String> expected{"before",
                               "path E:\\",
                               "find E:\\r.txt",
                               "path E:\\.hid\\",
                               "find E:\\.hid\\in.txt",
                               "path E:\\A\\",
                               "find E:\\A\\a.txt",
                               "path E:\\B\\",
                               "path E:\\A\\A1\\",
                               "find E:\\A\\A1\\a1.txt",
                               "path E:\\B\\B1\\",
                               "after"};
  EXPECT_EQ(finder_.events, expected);
  finder_.SetAttributes(TFindFile(nullptr).Attributes());
  finder_.SetRecurse(false);
  finder_.events.clear();
  finder_.Execute();
  EXPECT_EQ(finder_.events, (std::vector<String>{"before", "path E:\\", "find E:\\.top.txt",
                                                 "find E:\\r.txt", "after"}));
}

TEST_F(FindFileWalk, ALinkToAFolderIsReportedAsAFileAndNotWalked) {
  symlink("../B", (temp_ / "disc/A/toB").c_str());
  finder_.SetDirectory("E:\\A");
  finder_.SetAttributes(finder_.Attributes() + ffDirectory);
  finder_.Execute();
  std::vector<String> expected{
      "before",          "path E:\\A\\",     "find E:\\A\\a.txt",      "find E:\\A\\A1",
      "find E:\\A\\toB", "path E:\\A\\A1\\", "find E:\\A\\A1\\a1.txt", "after"};
  EXPECT_EQ(finder_.events, expected);
  EXPECT_EQ(finder_.FolderCount(), 1u);
  EXPECT_EQ(finder_.FileCount(), 3u);
}

TEST_F(FindFileWalk, SubfoldersAreTakenBeforeOnNewPathAndEntriesAfterIt) {
  finder_.SetAttributes(finder_.Attributes() + ffDirectory);
  finder_.on_path = [this](const String& path) {
    if (path != "E:\\A\\") return;
    temp_.Write("disc/A/new.txt");
    temp_.MakeFolder("disc/A/NewDir");
    std::filesystem::remove_all(temp_ / "disc/A/A1");
  };
  finder_.Execute();
  // A1, gone by then, is still walked; NewDir, made by then, is found but not walked.
  std::vector<String> expected{"before",
                               "path E:\\",
                               "find E:\\A",
                               "find E:\\B",
                               "find E:\\r.txt",
                               "path E:\\A\\",
                               "find E:\\A\\a.txt",
                               "find E:\\A\\new.txt",
                               "find E:\\A\\NewDir",
                               "path E:\\B\\",
                               "find E:\\B\\B1",
                               "path E:\\A\\A1\\",
                               "path E:\\B\\B1\\",
                               "after"};
  EXPECT_EQ(finder_.events, expected);
}

TEST_F(FindFileWalk, AbortInADeeperFolderLeavesTheQueuedFoldersUnvisited) {
  finder_.abort_at_find = "E:\\A\\A1\\a1.txt";
  finder_.Execute();
  std::vector<String> expected{"before",
                               "path E:\\",
                               "find E:\\r.txt",
                               "path E:\\A\\",
                               "find E:\\A\\a.txt",
                               "path E:\\B\\",
                               "path E:\\A\\A1\\",
                               "find E:\\A\\A1\\a1.txt",
                               "after"};
  EXPECT_EQ(finder_.events, expected);
  EXPECT_EQ(finder_.Files()->Count(), 3);
  EXPECT_EQ(finder_.TotalBytes(), 7);
  EXPECT_TRUE(finder_.Aborted());
}

// The walk as the directory search gives it folder by folder: one search of
// "*.*" with every attribute for the subfolders, then the folder's own
// search, each by its full path. The finder must report exactly this.
class FindFileAsTheDirectorySearchGivesIt : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"r.txt", ".hidden", "A/a.txt", "A/B.TXT", "A/A1/deep/x.jpg", "B/$$$",
                             "B/$$$.ico", ".hid/in.txt", ".hid/.x/y", "Case/b", "Case/B", "Case/_x",
                             "odd/x:y/a\\b", "many/f1.dat", "many/f2.txt", "many/f3"})
      temp_.Write(std::string("disc/") + name, name);
    for (const char* name : {"B/B1", "B/B2/empty", "Case/d", "Case/D"})
      temp_.MakeFolder(std::string("disc/") + name);
    symlink("..", (temp_ / "disc/A/up").c_str());
    symlink("../B", (temp_ / "disc/A/toB").c_str());
    chmod(temp_.Write("disc/many/locked").c_str(), 0444);
  }

  static String Describe(const String& name, const TSearchRec& rec) {
    return "find " + name + " " + std::to_string(rec.Attr) + " " + std::to_string(rec.Size) + " " +
           std::to_string(rec.TimeStamp) + " " +
           std::to_string(rec.FindData.ftLastWriteTime.dwLowDateTime) + " " +
           rec.FindData.cFileName;
  }

  // Stops after `abort_at` events (0: never).
  std::vector<String> Reference(const String& start, bool recurse, const String& filter,
                                Integer attr, size_t abort_at) {
    std::vector<String> events;
    std::deque<String> queue{IncludeTrailingPathDelimiter(start)};
    while (!queue.empty()) {
      String folder = IncludeTrailingPathDelimiter(queue.front());
      queue.pop_front();
      TSearchRec rec;
      for (int result = recurse ? FindFirst(folder + "*.*", faAnyFile, rec) : -1; result == 0;
           result = FindNext(rec))
        if ((rec.Attr & faDirectory) && rec.Name != "." && rec.Name != "..")
          queue.push_back(folder + rec.Name);
      FindClose(rec);
      events.push_back("path " + folder);
      if (events.size() == abort_at) return events;
      for (int result = FindFirst(folder + filter, attr, rec); result == 0;
           result = FindNext(rec)) {
        if (rec.Name == "." || rec.Name == "..") continue;
        events.push_back(Describe(folder + rec.Name, rec));
        if (events.size() == abort_at) return events;
      }
      FindClose(rec);
    }
    return events;
  }

  std::vector<String> Ours(const String& start, bool recurse, const String& filter,
                           TAttrOptions attributes, size_t abort_at) {
    std::vector<String> events;
    TFindFile finder(nullptr);
    finder.SetDirectory(start);
    finder.SetRecurse(recurse);
    finder.SetFilter(filter);
    finder.SetAttributes(attributes);
    finder.OnNewPath = [&](TObject*, const String& path, bool& abort) {
      events.push_back("path " + path);
      abort = events.size() == abort_at;
    };
    finder.OnFind = [&](TObject*, const String& name, const TSearchRec& rec, bool& abort) {
      events.push_back(Describe(name, rec));
      abort = events.size() == abort_at;
    };
    finder.Execute();
    return events;
  }

  TempFolder temp_;
  DrivesVariable drives_{"E=" + temp_ / "disc"};
};

TEST_F(FindFileAsTheDirectorySearchGivesIt, ForEveryFilterAndAttributeSet) {
  const std::vector<String> filters{"*.*", "*", "*.TXT", "a*", "?", "*.", "", "$$$.*", "A\\*.txt"};
  const std::vector<TAttrOptions> attribute_sets{
      {ffReadOnly, ffHidden, ffSystem, ffArchive},
      {ffReadOnly, ffHidden, ffSystem, ffArchive, ffDirectory},
      {},
      {ffDirectory},
      {ffHidden},
      {ffReadOnly, ffHidden, ffSystem, ffVolumeID, ffDirectory, ffArchive}};
  for (const String& start : {String("E:"), String("E:\\A\\..\\B"), temp_ / "disc"})
    for (bool recurse : {true, false})
      for (const String& filter : filters)
        for (TAttrOptions attributes : attribute_sets)
          EXPECT_EQ(Ours(start, recurse, filter, attributes, 0),
                    Reference(start, recurse, filter, Integer(attributes.Bits()), 0))
              << start << " " << recurse << " " << filter << " " << attributes.Bits();
}

TEST_F(FindFileAsTheDirectorySearchGivesIt, WhereverTheWalkIsAborted) {
  TAttrOptions attributes{ffReadOnly, ffHidden, ffSystem, ffArchive, ffDirectory};
  size_t events = Reference("E:", true, "*.*", Integer(attributes.Bits()), 0).size();
  ASSERT_GT(events, 30u);
  for (size_t abort_at = 1; abort_at <= events; ++abort_at)
    EXPECT_EQ(Ours("E:", true, "*.*", attributes, abort_at),
              Reference("E:", true, "*.*", Integer(attributes.Bits()), abort_at))
        << abort_at;
}

TEST(FindFileProperties, DefaultsAndFiles) {
  TFindFile finder(nullptr);
  EXPECT_FALSE(finder.Recurse());
  EXPECT_EQ(finder.Filter(), "*.*");
  EXPECT_EQ(finder.Attributes(), (TAttrOptions{ffReadOnly, ffHidden, ffSystem, ffArchive}));
  EXPECT_EQ(finder.Attributes().Bits(), 0x27u);
  TStringList lines;
  lines.Add("one");
  lines.Add("two");
  finder.SetFiles(&lines);
  lines.Clear();
  EXPECT_EQ(finder.Files()->Count(), 2);
  DeclareFindFileProperties();
  EXPECT_EQ(GetStrProp(&finder, "Filter"), "*.*");
  SetOrdProp(&finder, "Recurse", 1);
  EXPECT_TRUE(finder.Recurse());
}

}  // namespace
