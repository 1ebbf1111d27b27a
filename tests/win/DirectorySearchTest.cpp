// Directory search over both path forms.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/FileServices.h"
#include "platform/rtl/Streams.h"

#include "platform/rtl/Paths.h"
#include "platform/win/DirectorySearch.h"
#include "platform/win/WinError.h"
#include "tests/win/DriveTestSupport.h"

using drive_test::DrivesVariable;
using drive_test::TempFolder;

namespace {

class DirectorySearch : public ::testing::Test {
 protected:
  // Every entry of one search, by name.
  std::vector<TSearchRec> Search(const String& path, Integer attr = faAnyFile) {
    std::vector<TSearchRec> found;
    TSearchRec rec;
    int result = FindFirst(path, attr, rec);
    while (result == 0) {
      EXPECT_EQ(rec.FindData.cFileName, rec.Name);
      found.push_back(rec);
      result = FindNext(rec);
    }
    EXPECT_TRUE(result == int(ERROR_NO_MORE_FILES) || result == int(ERROR_FILE_NOT_FOUND))
        << result;
    FindClose(rec);
    return found;
  }
  std::vector<String> Names(const String& path, Integer attr = faAnyFile) {
    std::vector<String> names;
    for (const TSearchRec& rec : Search(path, attr)) names.push_back(rec.Name);
    return names;
  }
  const TSearchRec Entry(const String& path) {
    auto found = Search(path);
    EXPECT_EQ(found.size(), 1u) << path;
    return found.empty() ? TSearchRec() : found[0];
  }

  TempFolder temp_;
  DrivesVariable drives_{"E=" + temp_.Path()};
};

TEST_F(DirectorySearch, DotsFirstThenNamesIgnoringAsciiCaseThenBytes) {
  for (const char* name : {"b", "B", "a.txt", "C", "_x", "Z"})
    temp_.Write(std::string("sub/") + name);
  std::vector<String> expected{".", "..", "_x", "a.txt", "B", "b", "C", "Z"};
  EXPECT_EQ(Names("E:\\sub\\*.*"), expected);
  EXPECT_EQ(Names(temp_ / "sub/*"), expected);
}

TEST_F(DirectorySearch, ADriveRootHasNoDotEntries) {
  temp_.Write("a");
  EXPECT_EQ(Names("E:\\*.*"), std::vector<String>{"a"});
  EXPECT_EQ(Names("e:*.*"), std::vector<String>{"a"});
}

TEST_F(DirectorySearch, AttributesAndTheMaskThatAdmitsThem) {
  temp_.Write("f/plain", "12345");
  temp_.Write("f/.hidden");
  temp_.MakeFolder("f/folder");
  chmod(temp_.Write("f/locked").c_str(), 0444);
  symlink("..", (temp_ / "f/up").c_str());

  EXPECT_EQ(Entry("E:\\f\\plain").Attr, faArchive);
  EXPECT_EQ(Entry("E:\\f\\plain").Size, 5);
  EXPECT_EQ(Entry("E:\\f\\.hidden").Attr, faArchive | faHidden);
  EXPECT_EQ(Entry("E:\\f\\folder").Attr, faDirectory);
  EXPECT_EQ(Entry("E:\\f\\locked").Attr, faArchive | faReadOnly);
  // A link is a file of its own, never a folder to descend into.
  EXPECT_EQ(Entry("E:\\f\\up").Attr, faArchive);
  EXPECT_EQ(Entry("E:\\f\\up").Size, 0);

  std::vector<String> plain{"locked", "plain", "up"};
  EXPECT_EQ(Names("E:\\f\\*.*", faReadOnly | faArchive), plain);
  std::vector<String> with_hidden{".hidden", "locked", "plain", "up"};
  EXPECT_EQ(Names("E:\\f\\*.*", faArchive | faHidden), with_hidden);
  std::vector<String> with_folders{".", "..", "folder", "locked", "plain", "up"};
  EXPECT_EQ(Names("E:\\f\\*.*", faDirectory), with_folders);
}

TEST_F(DirectorySearch, MasksMatchAsWindowsMatchesThem) {
  EXPECT_TRUE(MatchesSearchMask("README", "*.*"));
  EXPECT_TRUE(MatchesSearchMask("$$$", "$$$.*"));
  EXPECT_TRUE(MatchesSearchMask("$$$.ico", "$$$.*"));
  EXPECT_FALSE(MatchesSearchMask("$$$x", "$$$.*"));
  EXPECT_TRUE(MatchesSearchMask("Photo.JPG", "*.jpg"));
  EXPECT_TRUE(MatchesSearchMask("ÉTÉ.txt", "été.*"));
  EXPECT_TRUE(MatchesSearchMask("a1.b", "a?.b"));
  EXPECT_FALSE(MatchesSearchMask("a12.b", "a?.b"));
  EXPECT_TRUE(MatchesSearchMask("é.b", "?.b"));  // '?' is one character, not one byte
  EXPECT_TRUE(MatchesSearchMask("abcabd", "*ab?"));
  EXPECT_FALSE(MatchesSearchMask("abc", "abc?*x"));
}

TEST_F(DirectorySearch, ForbiddenCharactersAreShownMovedAndFoundByThatName) {
  temp_.Write("f/a\\b:c", "x");
  String shown = NativeNameToWindows("a\\b:c");
  EXPECT_EQ(Names("E:\\f\\*.*", faArchive), std::vector<String>{shown});
  EXPECT_EQ(Entry("E:\\f\\" + shown).Size, 1);
  temp_.MakeFolder("g/x:y");
  temp_.Write("g/x:y/inner");
  EXPECT_EQ(Names("E:\\g\\" + NativeNameToWindows("x:y") + "\\*.*", faArchive),
            std::vector<String>{"inner"});
  EXPECT_EQ(Names(temp_ / "g/" + NativeNameToWindows("x:y") + "/*", faArchive),
            std::vector<String>{"inner"});
}

// Names next to the stand-ins of the forbidden characters: the forbidden
// characters themselves, the stand-ins as SMB or Mac file servers leave them
// in names, U+F000 alone and before either, and UTF-8 cut inside a stand-in.
const std::string kColonStandIn = "\xEF\x80\xBA";  // U+F03A
const std::string kEscape = "\xEF\x80\x80";        // U+F000
const std::vector<std::string> kNameForms{
    "a:b",
    "a" + kColonStandIn + "b",
    "a" + kColonStandIn + ":b",  // the stand-in and what it stands for
    "a" + kEscape + "b",
    "a" + kEscape + kColonStandIn + "b",
    "a" + kEscape + ":b",
    kEscape,
    "a\xEF\x80",  // a stand-in cut short
    "\\?*",
    "plain",
};

TEST_F(DirectorySearch, EveryNameFormIsItsOwnThroughSearchOpenTimeAndRename) {
  InitDriveMapping();
  temp_.MakeFolder("moved");
  for (size_t i = 0; i < kNameForms.size(); ++i) {
    // Each file holds its own name, and is dated an hour after the one before.
    std::string file = temp_.Write("f/" + kNameForms[i], kNameForms[i]);
    timespec times[2] = {{0, UTIME_OMIT}, {time_t(1600000000 + 3600 * i), 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
  }
  std::vector<String> listed = Names("E:\\f\\*.*", faArchive);
  std::set<String> distinct(listed.begin(), listed.end());
  EXPECT_EQ(distinct.size(), kNameForms.size());

  for (size_t i = 0; i < kNameForms.size(); ++i) {
    const std::string& native = kNameForms[i];
    const String shown = "E:\\f\\" + NativeNameToWindows(native);
    SCOPED_TRACE(native);
    EXPECT_TRUE(distinct.count(NativeNameToWindows(native)));
    EXPECT_EQ(Entry(shown).Size, Int64(native.size()));

    TFileStream stream(shown, fmOpenRead);
    String content(size_t(stream.Size()), '\0');
    stream.ReadBuffer(content.data(), Int64(content.size()));
    EXPECT_EQ(content, native);

    TDateTime age = 0;
    ASSERT_TRUE(FileAge(shown, age));
    EXPECT_EQ(age, UnixTimeToDateTime(1600000000 + 3600 * Int64(i), 0));

    ASSERT_TRUE(RenameFile(shown, "E:\\moved\\" + NativeNameToWindows(native)));
    EXPECT_TRUE(std::filesystem::exists(temp_ / ("moved/" + native)));
  }
  EXPECT_TRUE(std::filesystem::is_empty(temp_ / "f"));
}

TEST_F(DirectorySearch, AFolderNamedWithAStandInIsNotItsTwin) {
  temp_.Write("g/x:y/colon");
  temp_.Write("g/x\xEF\x80\xBAy/standin");
  const std::string forms[] = {"x:y", "x\xEF\x80\xBAy"};
  EXPECT_EQ(Names("E:\\g\\" + NativeNameToWindows(forms[0]) + "\\*.*", faArchive),
            std::vector<String>{"colon"});
  EXPECT_EQ(Names("E:\\g\\" + NativeNameToWindows(forms[1]) + "\\*.*", faArchive),
            std::vector<String>{"standin"});
  TSearchFolder g = ResolveSearchFolder("E:\\g");
  std::vector<String> subfolders = ListSubfolderNames(g);
  ASSERT_EQ(subfolders.size(), 2u);
  for (const String& name : subfolders) {
    std::vector<String> inside = Names(SearchSubfolder(g, name).Shown + "*.*", faArchive);
    EXPECT_EQ(inside,
              std::vector<String>{name == NativeNameToWindows(forms[0]) ? "colon" : "standin"});
  }
}

TEST_F(DirectorySearch, ALinkIsDatedAsTheLinkItself) {
  std::string target = temp_.Write("l/target", "0123456789");
  ASSERT_EQ(symlink("target", (temp_ / "l/link").c_str()), 0);
  timespec target_times[2] = {{0, UTIME_OMIT}, {1600000000, 0}};
  timespec link_times[2] = {{0, UTIME_OMIT}, {1500000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, target.c_str(), target_times, 0), 0);
  ASSERT_EQ(utimensat(AT_FDCWD, (temp_ / "l/link").c_str(), link_times, AT_SYMLINK_NOFOLLOW), 0);
  TSearchRec rec = Entry("E:\\l\\link");
  EXPECT_EQ(rec.TimeStamp, UnixTimeToDateTime(1500000000, 0));
  EXPECT_EQ(rec.Size, 0);  // not the target's ten bytes
  UInt64 ticks = (UInt64(rec.FindData.ftLastWriteTime.dwHighDateTime) << 32) |
                 rec.FindData.ftLastWriteTime.dwLowDateTime;
  EXPECT_EQ(ticks, (1500000000ull + 11644473600ull) * 10000000ull);
  // The file time service dates it as the search does.
  InitDriveMapping();
  TDateTime age = 0;
  ASSERT_TRUE(FileAge("E:\\l\\link", age));
  EXPECT_EQ(age, rec.TimeStamp);
}

// A name of `level` as long as a name may be, so that the path passes the
// kernel's limit after a few levels.
std::string LongName(int level) {
  return "level " + std::to_string(level) + std::string(200, 'x');
}

TEST_F(DirectorySearch, FoldersBeyondTheLongestPathAreSearched) {
  constexpr int kDepth = 300;
  drive_test::MakeDeepTree(temp_.MakeFolder("deep"), kDepth, LongName);
  for (const String& start : {String("E:\\deep"), String(temp_ / "deep")}) {
    TSearchFolder folder = ResolveSearchFolder(start);
    for (int level = 0; level < kDepth; ++level) {
      std::vector<String> inner = ListSubfolderNames(folder);
      ASSERT_EQ(inner, std::vector<String>{LongName(level)}) << level;
      folder = SearchSubfolder(folder, inner[0]);
    }
    ASSERT_GT(folder.Native.size(), 60000u);
    EXPECT_EQ(Names(folder.Shown + "*.*"), (std::vector<String>{".", "..", "bottom"}));
    TSearchRec rec;
    ASSERT_EQ(FindFirstIn(folder, "bottom", faAnyFile, rec), 0);
    EXPECT_EQ(rec.Size, 4);
    FindClose(rec);
  }
}

TEST_F(DirectorySearch, SizesSplitIntoHighAndLowParts) {
  std::string file = temp_.Write("big");
  std::filesystem::resize_file(file, (5ull << 32) + 7);  // sparse: no disk space used
  TSearchRec rec = Entry("E:\\big");
  EXPECT_EQ(rec.FindData.nFileSizeHigh, 5u);
  EXPECT_EQ(rec.FindData.nFileSizeLow, 7u);
  EXPECT_EQ(rec.Size, Int64((5ull << 32) + 7));
}

TEST_F(DirectorySearch, LastWriteTime) {
  std::string file = temp_.Write("dated");
  timespec times[2] = {{0, UTIME_OMIT}, {1600000000, 500000000}};
  utimensat(AT_FDCWD, file.c_str(), times, 0);
  TSearchRec rec = Entry("E:\\dated");
  UInt64 ticks = (UInt64(rec.FindData.ftLastWriteTime.dwHighDateTime) << 32) |
                 rec.FindData.ftLastWriteTime.dwLowDateTime;
  EXPECT_EQ(ticks, (1600000000ull + 11644473600ull) * 10000000ull + 5000000ull);
  EXPECT_GT(rec.TimeStamp, 44000.0);  // September 2020, in whatever zone
}

TEST_F(DirectorySearch, Failures) {
  TSearchRec rec;
  EXPECT_EQ(FindFirst("E:\\missing\\*.*", faAnyFile, rec), int(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(FindFirst("Q:\\*.*", faAnyFile, rec), int(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(FindFirst("E:\\*.none", faAnyFile, rec), int(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(FindNext(rec), int(ERROR_INVALID_HANDLE));
  temp_.Write("one");
  ASSERT_EQ(FindFirst("E:\\*.*", faAnyFile, rec), 0);
  EXPECT_EQ(FindNext(rec), int(ERROR_NO_MORE_FILES));
  FindClose(rec);
}

// A folder resolved once must search as its full path does.
class SearchFolderResolvedOnce : public DirectorySearch {
 protected:
  void SetUp() override {
    for (const char* name : {"b.txt", "B.TXT", ".hidden", "a.dat", "sub/x:y/inner.txt", "sub/Zed/z",
                             "sub/.cfg/c", "sub/_u/u", "sub/a.txt", "sub/alpha/a", "sub/Beta/b"})
      temp_.Write(name, name);
    temp_.MakeFolder("sub/empty");
    symlink("..", (temp_ / "sub/up").c_str());
    symlink("alpha", (temp_ / "sub/toAlpha").c_str());
  }
  // Name, attributes and size of every entry, in order.
  static std::vector<String> Describe(int result, TSearchRec& rec) {
    std::vector<String> lines{"result " + std::to_string(result)};
    for (; result == 0; result = FindNext(rec)) {
      EXPECT_EQ(rec.FindData.cFileName, rec.Name);
      lines.push_back(rec.Name + " " + std::to_string(rec.Attr) + " " + std::to_string(rec.Size));
    }
    FindClose(rec);
    return lines;
  }
  std::vector<String> ByPath(const String& path, Integer attr) {
    TSearchRec rec;
    return Describe(FindFirst(path, attr, rec), rec);
  }
  std::vector<String> Resolved(const TSearchFolder& folder, const String& mask, Integer attr) {
    TSearchRec rec;
    return Describe(FindFirstIn(folder, mask, attr, rec), rec);
  }
};

TEST_F(SearchFolderResolvedOnce, SubfoldersAreTheFoldersOfAFullSearchInItsOrder) {
  for (const String& start : {String("E:\\sub"), String(temp_ / "sub")}) {
    std::vector<String> expected;
    for (const TSearchRec& rec : Search(IncludeTrailingPathDelimiter(start) + "*.*"))
      if ((rec.Attr & faDirectory) && rec.Name != "." && rec.Name != "..")
        expected.push_back(rec.Name);
    // Hidden folders too; links (up, toAlpha) are never folders.
    EXPECT_EQ(expected, (std::vector<String>{".cfg", "_u", "alpha", "Beta", "empty",
                                             NativeNameToWindows("x:y"), "Zed"}));
    EXPECT_EQ(ListSubfolderNames(ResolveSearchFolder(start)), expected) << start;
  }
  EXPECT_TRUE(ListSubfolderNames(ResolveSearchFolder("E:\\sub\\empty")).empty());
  EXPECT_TRUE(ListSubfolderNames(ResolveSearchFolder("E:\\missing")).empty());
  EXPECT_TRUE(ListSubfolderNames(ResolveSearchFolder("Q:\\")).empty());
}

TEST_F(SearchFolderResolvedOnce, EverySearchOfTheFolderGivesWhatItsFullPathGives) {
  const std::vector<String> masks{"*.*", "*", "*.TXT", "a*", "?", "*.", "", "$$$.*", "b.txt"};
  const std::vector<Integer> attrs{faAnyFile,
                                   0,
                                   faHidden,
                                   faDirectory,
                                   faReadOnly | faArchive,
                                   faHidden | faSysFile | faArchive};
  for (const String& start : {String("E:"), String("e:\\sub"), String(temp_ / "sub")}) {
    TSearchFolder folder = ResolveSearchFolder(start);
    EXPECT_EQ(folder.Error, ERROR_SUCCESS);
    for (const String& mask : masks)
      for (Integer attr : attrs)
        EXPECT_EQ(Resolved(folder, mask, attr), ByPath(folder.Shown + mask, attr))
            << start << " " << mask << " " << attr;
  }
}

TEST_F(SearchFolderResolvedOnce, SubfoldersWithMovedCharactersResolveToTheirOwnFolder) {
  String moved = NativeNameToWindows("x:y");
  for (const String& start : {String("E:\\sub"), String(temp_ / "sub")}) {
    TSearchFolder sub = SearchSubfolder(ResolveSearchFolder(start), moved);
    EXPECT_EQ(sub.Shown, IncludeTrailingPathDelimiter(IncludeTrailingPathDelimiter(start) + moved));
    EXPECT_FALSE(sub.Root);
    EXPECT_EQ(Resolved(sub, "*.*", faAnyFile & ~faDirectory),
              (std::vector<String>{"result 0", "inner.txt 32 17"}));
    EXPECT_EQ(Resolved(sub, "*.*", faAnyFile), ByPath(sub.Shown + "*.*", faAnyFile));
  }
}

TEST_F(SearchFolderResolvedOnce, RootsFailuresAndMasksThatNameAnotherFolder) {
  EXPECT_TRUE(ResolveSearchFolder("E:").Root);
  EXPECT_TRUE(ResolveSearchFolder("e:\\").Root);
  EXPECT_TRUE(ResolveSearchFolder("/").Root);
  EXPECT_FALSE(ResolveSearchFolder("E:\\sub").Root);
  EXPECT_EQ(ResolveSearchFolder("E:").Shown, "E:\\");

  TSearchFolder unmapped = ResolveSearchFolder("Q:\\");
  EXPECT_EQ(unmapped.Error, ERROR_PATH_NOT_FOUND);
  TSearchRec rec;
  EXPECT_EQ(FindFirstIn(unmapped, "*.*", faAnyFile, rec), int(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(FindFirstIn(ResolveSearchFolder("E:\\missing"), "*.*", faAnyFile, rec),
            int(ERROR_PATH_NOT_FOUND));

  // As with a full path, a separator in the mask searches the folder it names.
  TSearchFolder root = ResolveSearchFolder("E:");
  EXPECT_EQ(Resolved(root, "sub\\*.txt", faAnyFile),
            (std::vector<String>{"result 0", "a.txt 32 9"}));
  EXPECT_EQ(Resolved(ResolveSearchFolder(temp_.Path()), "sub/a*", faArchive),
            (std::vector<String>{"result 0", "a.txt 32 9"}));
}

}  // namespace
