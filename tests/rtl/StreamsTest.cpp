#include "platform/rtl/Streams.h"

#include <gtest/gtest.h>

#include "platform/rtl/Paths.h"
#include "tests/rtl/TempFolder.h"

namespace {
String ReadAll(TStream& s) {
  s.SetPosition(0);
  String out(static_cast<std::size_t>(s.Size()), '\0');
  s.ReadBuffer(out.data(), s.Size());
  return out;
}
}  // namespace

TEST(MemoryStream, WritesReadsAndSeeks) {
  TMemoryStream m;
  m.WriteBuffer("hello", 5);
  EXPECT_EQ(m.Position(), 5);
  EXPECT_EQ(m.Seek(-2, soFromEnd), 3);
  char two[2];
  m.ReadBuffer(two, 2);
  EXPECT_EQ(String(two, 2), "lo");
  m.Seek(7, soFromBeginning);
  m.WriteBuffer("!", 1);  // writing past the end fills the gap with zeros
  EXPECT_EQ(ReadAll(m), String("hello\0\0!", 8));
  m.SetSize(2);
  EXPECT_EQ(m.Position(), 2);
  EXPECT_THROW(m.Seek(-1, soFromBeginning), EStreamError);
}

TEST(MemoryStream, ShortReadRaisesReadError) {
  TMemoryStream m;
  m.WriteBuffer("abc", 3);
  m.SetPosition(1);
  char buf[8];
  EXPECT_EQ(m.Read(buf, 8), 2);
  m.SetPosition(1);
  try {
    m.ReadBuffer(buf, 3);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Stream read error");
  }
}

TEST(MemoryStream, CopyFromWholeSourceStartsAtItsBeginning) {
  TStringStream source("0123456789");
  source.SetPosition(8);
  TMemoryStream dest;
  EXPECT_EQ(dest.CopyFrom(&source, 0), 10);
  EXPECT_EQ(ReadAll(dest), "0123456789");
  source.SetPosition(2);
  TMemoryStream part;
  part.CopyFrom(&source, 3);
  EXPECT_EQ(ReadAll(part), "234");
  EXPECT_THROW(part.CopyFrom(&source, 50), EReadError);
}

TEST(FileStream, CreateReplacesAndOpenReadsBack) {
  TempFolder dir;
  const String name = dir.File("a.bin");
  {
    TFileStream f(name, fmCreate);
    f.WriteBuffer("old content", 11);
  }
  {
    TFileStream f(name, fmCreate);
    f.WriteBuffer("new", 3);
  }
  TFileStream f(name, fmOpenRead | fmShareDenyWrite);
  EXPECT_EQ(f.Size(), 3);
  EXPECT_EQ(ReadAll(f), "new");
  EXPECT_EQ(f.FileName(), name);
}

TEST(FileStream, SecondWriterIsRefusedWhileReadersMayRead) {
  TempFolder dir;
  const String name = dir.File("locked.txt");
  TFileStream writer(name, fmCreate);
  writer.WriteBuffer("data", 4);
  try {
    TFileStream second(name, fmOpenReadWrite | fmShareDenyWrite);
    FAIL() << "a second writer must be refused";
  } catch (const EFOpenError& e) {
    EXPECT_NE(e.Message().find(name), String::npos);
  }
  EXPECT_THROW(TFileStream(name, fmCreate), EFCreateError);
  TFileStream reader(name, fmOpenRead | fmShareDenyNone);
  EXPECT_EQ(ReadAll(reader), "data");  // the refused create did not empty the file
}

TEST(FileStream, WriterLockEndsWithTheStream) {
  TempFolder dir;
  const String name = dir.File("f.txt");
  { TFileStream first(name, fmCreate); }
  TFileStream again(name, fmOpenWrite);
  again.WriteBuffer("x", 1);
  EXPECT_EQ(again.Size(), 1);
}

TEST(FileStream, MissingFileNamesFileAndReason) {
  TempFolder dir;
  const String name = dir.File("missing.txt");
  try {
    TFileStream f(name, fmOpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_NE(e.Message().find("\"" + name + "\""), String::npos);
    EXPECT_NE(e.Message().find("No such file"), String::npos);
  }
  EXPECT_THROW(TFileStream(dir.File("no/such/dir/x"), fmCreate), EFCreateError);
}

TEST(FileStream, DrivePathsGoThroughTheDriveMapping) {
  TempFolder dir;
  TDrivePathResolver previous = SetDrivePathResolver([&](const String& drive_path, String& native) {
    if (drive_path.size() < 3 || (drive_path[0] != 'Q' && drive_path[0] != 'q')) return false;
    native = dir.File(drive_path.substr(3));
    return true;
  });
  {
    TFileStream f("Q:\\mapped.txt", fmCreate);
    f.WriteBuffer("m", 1);
  }
  TFileStream native(dir.File("mapped.txt"), fmOpenRead);
  EXPECT_EQ(native.Size(), 1);
  EXPECT_THROW(TFileStream("R:\\x.txt", fmOpenRead), EFOpenError);
  SetDrivePathResolver(previous);
}

TEST(MemoryStream, SavesToAndLoadsFromFiles) {
  TempFolder dir;
  TMemoryStream m;
  m.WriteBuffer("payload", 7);
  m.SaveToFile(dir.File("p"));
  TMemoryStream back;
  back.LoadFromFile(dir.File("p"));
  EXPECT_EQ(back.Position(), 0);
  EXPECT_EQ(ReadAll(back), "payload");
}
