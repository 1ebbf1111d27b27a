#include "platform/rtl/Reader.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "platform/rtl/Streams.h"
#include "platform/rtl/Writer.h"
#include "tests/rtl/StreamingFixtures.h"

namespace {

// Every kind of value, for round trips and for damage.
void WriteSample(TWriter& w) {
  w.WriteSignature();
  w.WriteListBegin();
  w.WriteInteger(-5);
  w.WriteInteger(70000);
  w.WriteInteger(std::numeric_limits<Int64>::min());
  w.WriteFloat(0.1);
  w.WriteFloat(TFloat80::FromInt64(std::numeric_limits<Int64>::max()));
  w.WriteString("short");
  w.WriteString(String(400, 'L'));
  w.WriteString("gr\xC3\xBC\xC3\x9F");
  w.WriteRawString("\x01\xFF");
  w.WriteBoolean(true);
  w.WriteIdent("mtpfFast");
  w.WriteBinary([](TStream* s) { s->WriteBuffer("bin", 3); });
  w.WriteListEnd();
}

void ReadSample(TReader& r) {
  r.ReadSignature();
  r.ReadListBegin();
  EXPECT_EQ(r.ReadInteger(), -5);
  EXPECT_EQ(r.ReadInteger(), 70000);
  EXPECT_EQ(r.ReadInt64(), std::numeric_limits<Int64>::min());
  EXPECT_EQ(r.ReadFloat(), 0.1);
  Int64 big = 0;
  EXPECT_TRUE(r.ReadFloat80().ToInt64(big));
  EXPECT_EQ(big, std::numeric_limits<Int64>::max());
  EXPECT_EQ(r.ReadString(), "short");
  EXPECT_EQ(r.ReadString(), String(400, 'L'));
  EXPECT_EQ(r.ReadString(), "gr\xC3\xBC\xC3\x9F");
  EXPECT_EQ(r.ReadString(), "\x01\xFF");
  EXPECT_TRUE(r.ReadBoolean());
  EXPECT_EQ(r.ReadIdent(), "mtpfFast");
  EXPECT_EQ(r.ReadBinary(), "bin");
  EXPECT_TRUE(r.EndOfList());
  r.ReadListEnd();
}

}  // namespace

TEST(ReaderValues, ReadBackWhatTheWriterWrote) {
  TStringStream stream(WrittenBy(WriteSample));
  TReader reader(&stream, 8);
  ReadSample(reader);
}

TEST(ReaderValues, IntegersAcceptEveryWidthThatFits) {
  TStringStream stream(B({19, 7, 0, 0, 0, 0, 0, 0, 0, 19, 0, 0, 0, 0, 1, 0, 0, 0, 3, 1, 0}));
  TReader r(&stream, 16);
  EXPECT_EQ(r.ReadInteger(), 7);
  EXPECT_THROW(r.ReadInteger(), EReadError);  // 2^32 does not fit
  EXPECT_EQ(r.ReadFloat(), 1.0);              // an integer tag reads as a float too
}

TEST(ReaderValues, WideStringsArriveAsUtf8) {
  TStringStream stream(B({18, 2, 0, 0, 0, 0xE9, 0x00, 0x3D, 0xD8}));  // é and a lone surrogate
  TReader r(&stream, 16);
  EXPECT_EQ(r.ReadString(), "\xC3\xA9\xEF\xBF\xBD");
}

TEST(ReaderValues, WrongTagIsAnInvalidValue) {
  TStringStream stream(WrittenBy([](TWriter& w) { w.WriteString("x"); }));
  TReader r(&stream, 16);
  try {
    r.ReadInteger();
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Invalid property value");
  }
}

TEST(ReaderValues, SkipValuePassesOverEveryKind) {
  TStringStream stream(WrittenBy([](TWriter& w) {
    WriteSample(w);
    w.WriteInteger(42);
  }));
  TReader r(&stream, 8);
  r.ReadSignature();
  r.SkipValue();
  EXPECT_EQ(r.ReadInteger(), 42);
}

TEST(ReaderValues, DestructionHandsThePositionBack) {
  TStringStream stream(B({2, 1, 2, 2, 2, 3}));
  {
    TReader r(&stream, 64);
    r.ReadInteger();
    EXPECT_EQ(r.Position(), 2);
  }
  EXPECT_EQ(stream.Position(), 2);
}

TEST(DamagedStreams, BadSignatureIsAnInvalidFormat) {
  for (const String& bytes : {String("TPF1xxxx"), String("TP")}) {
    TStringStream stream(bytes);
    TReader r(&stream, 16);
    try {
      r.ReadSignature();
      FAIL();
    } catch (const EReadError& e) {
      EXPECT_EQ(e.Message(), "Invalid stream format");
    }
  }
}

TEST(DamagedStreams, EveryTruncationRaisesReadError) {
  const String full = WrittenBy(WriteSample);
  for (std::size_t n = 0; n < full.size(); ++n) {
    TStringStream stream(full.substr(0, n));
    TReader r(&stream, 8);
    EXPECT_THROW(ReadSample(r), EReadError) << "cut at " << n;
  }
}

TEST(DamagedStreams, LengthsBeyondTheStreamAreRefusedBeforeReading) {
  for (const String& bytes : {B({12, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}), B({20, 0, 0, 0, 0x80}),
                              B({18, 0xFF, 0xFF, 0xFF, 0x3F}), B({10, 5, 0, 0, 0, 1})}) {
    TStringStream stream(bytes);
    TReader r(&stream, 16);
    EXPECT_THROW(r.SkipValue(), EReadError);
    TStringStream again(bytes);
    TReader r2(&again, 16);
    EXPECT_THROW(bytes[0] == 10 ? (void)r2.ReadBinary() : (void)r2.ReadString(), EReadError);
  }
}

TEST(DamagedStreams, DeepNestingIsRefused) {
  TStringStream stream(String(100000, '\x01'));
  TReader r(&stream, 4096);
  EXPECT_THROW(r.SkipValue(), EReadError);
}

TEST(DamagedStreams, RandomBytesRaiseOnlyReadErrors) {
  std::mt19937 random(3);
  const String sample = WrittenBy(WriteSample);
  for (int round = 0; round < 2000; ++round) {
    String bytes = sample;
    for (int k = 0; k < 3; ++k) bytes[random() % bytes.size()] = static_cast<char>(random());
    TStringStream stream(bytes);
    TReader r(&stream, 8);
    try {
      r.ReadSignature();
      while (r.Position() < stream.Size()) r.SkipValue();
    } catch (const EReadError&) {
    }
  }
}
