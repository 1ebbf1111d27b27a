#include "platform/rtl/Writer.h"

#include <gtest/gtest.h>

#include "platform/rtl/Streams.h"
#include "tests/rtl/StreamingFixtures.h"

TEST(WriterIntegers, TakeTheSmallestTag) {
  EXPECT_EQ(WrittenBy([](TWriter& w) { w.WriteInteger(-128); }), B({2, 0x80}));
  EXPECT_EQ(WrittenBy([](TWriter& w) { w.WriteInteger(251); }), B({3, 251, 0}));
  EXPECT_EQ(WrittenBy([](TWriter& w) { w.WriteInteger(-32769); }), B({4, 0xFF, 0x7F, 0xFF, 0xFF}));
  EXPECT_EQ(WrittenBy([](TWriter& w) { w.WriteInteger(Int64{1} << 32); }),
            B({19, 0, 0, 0, 0, 1, 0, 0, 0}));
}

TEST(WriterStrings, AsciiAsBytesOtherTextAsUtf8) {
  EXPECT_EQ(WrittenBy([](TWriter& w) { w.WriteString("ab"); }), B({6, 2, 'a', 'b'}));
  const String long_text(300, 'x');
  EXPECT_EQ(WrittenBy([&](TWriter& w) { w.WriteString(long_text); }),
            B({12, 0x2C, 1, 0, 0}) + long_text);
  EXPECT_EQ(WrittenBy([](TWriter& w) { w.WriteString("\xC3\xA9"); }),
            B({20, 2, 0, 0, 0, 0xC3, 0xA9}));
  EXPECT_EQ(WrittenBy([](TWriter& w) { w.WriteRawString("\xC3\xA9"); }), B({6, 2, 0xC3, 0xA9}));
}

TEST(WriterValues, FixedTagsAndLayouts) {
  EXPECT_EQ(WrittenBy([](TWriter& w) {
              w.WriteSignature();
              w.WriteListBegin();
              w.WriteBoolean(true);
              w.WriteBoolean(false);
              w.WriteListEnd();
            }),
            B({'T', 'P', 'F', '0', 1, 9, 8, 0}));
  EXPECT_EQ(WrittenBy([](TWriter& w) { w.WriteFloat(1.0); }),
            B({5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}));
  EXPECT_EQ(WrittenBy([](TWriter& w) {
              w.WriteIdent("true");
              w.WriteIdent("nil");
              w.WriteIdent("dmFast");
            }),
            B({9, 13, 7, 6, 'd', 'm', 'F', 'a', 's', 't'}));
  EXPECT_EQ(
      WrittenBy([](TWriter& w) { w.WriteBinary([](TStream* s) { s->WriteBuffer("xyz", 3); }); }),
      B({10, 3, 0, 0, 0, 'x', 'y', 'z'}));
}

TEST(WriterValues, PositionCountsBufferedBytesAndNamesAreShort) {
  TStringStream stream;
  TWriter writer(&stream, 1024);
  writer.WriteInteger(1000);
  EXPECT_EQ(writer.Position(), 3);
  EXPECT_EQ(stream.Size(), 0);  // still in the writer's buffer
  writer.FlushBuffer();
  EXPECT_EQ(stream.Size(), 3);
  EXPECT_THROW(writer.WriteStr(String(256, 'n')), EWriteError);
  EXPECT_THROW(writer.WriteIdent(String(256, 'n')), EWriteError);
}

TEST(WriterValues, DestructionFlushesWhatIsLeft) {
  TStringStream stream;
  {
    TWriter writer(&stream, 1024);
    writer.WriteBoolean(true);
  }
  EXPECT_EQ(stream.DataString(), B({9}));
}
