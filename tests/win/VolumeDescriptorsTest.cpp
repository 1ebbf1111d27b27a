// The identity of optical discs from their volume descriptors.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <stdexcept>

#include "platform/win/VolumeDescriptors.h"
#include "platform/win/WinError.h"
#include "tests/win/DriveTestSupport.h"
#include "tests/win/UdfImageBuilder.h"

using drive_test::MakeIso;
using drive_test::ReadFile;
using drive_test::TempFolder;
using drive_test::UdfImageBuilder;

namespace {

std::span<const Byte, kCdSectorSize> SectorOf(const std::vector<unsigned char>& image, size_t n) {
  return std::span<const Byte, kCdSectorSize>(image.data() + n * kCdSectorSize, kCdSectorSize);
}

TEST(DescriptorSerial, SumsFourLanesAndAssemblesThemInEachFileSystemsOrder) {
  std::array<Byte, kCdSectorSize> d{};
  d[0] = 0x12;     // lane 0
  d[5] = 0x34;     // lane 1
  d[10] = 0x56;    // lane 2
  d[2047] = 0x78;  // lane 3
  EXPECT_EQ(CdfsSerial(d), 0x12345678u);
  EXPECT_EQ(UdfSerial(d), 0x78563412u);
}

TEST(DescriptorSerial, EachLaneWrapsAtTwoHundredFiftySix) {
  std::array<Byte, kCdSectorSize> d{};
  d[0] = 0xFF;
  d[4] = 0x03;  // lane 0: 0x102, kept as 0x02
  d[1] = 0x80;
  d[2045] = 0x80;  // lane 1: 0x100, kept as 0x00
  EXPECT_EQ(CdfsSerial(d), 0x02000000u);
}

class IsoImages : public ::testing::Test {
 protected:
  void SetUp() override {
    temp_.Write("src/a.txt", "hello");
    temp_.MakeFolder("src/sub");
  }
  std::vector<unsigned char> Image(const std::string& label, bool joliet) {
    std::string file = MakeIso(temp_, temp_ / "src", label, joliet, joliet ? "j.iso" : "p.iso");
    // Thrown, so that the test stops here rather than reading an empty image.
    if (file.empty()) throw std::runtime_error("xorriso could not make an image");
    return ReadFile(file);
  }
  TempFolder temp_;
};

TEST_F(IsoImages, WithoutJolietThePrimaryDescriptorGivesLabelAndSerial) {
  std::vector<unsigned char> image = Image("A long label here 1234567", false);
  TVolumeIdentity identity;
  ASSERT_EQ(ParseVolumeDescriptors(image, 0, identity), ERROR_SUCCESS);
  EXPECT_EQ(identity.FileSystem, "CDFS");
  EXPECT_EQ(identity.Label, "A long label here 1234567");
  EXPECT_EQ(identity.Serial, CdfsSerial(SectorOf(image, 16)));
}

TEST_F(IsoImages, TheJolietDescriptorIsPreferred) {
  std::vector<unsigned char> image = Image("A long label here 1234567", true);
  TVolumeIdentity identity;
  ASSERT_EQ(ParseVolumeDescriptors(image, 0, identity), ERROR_SUCCESS);
  // Joliet keeps sixteen characters of the label; its descriptor is the
  // supplementary one (type 2) after the primary one.
  EXPECT_EQ(identity.Label, "A long label her");
  size_t joliet = 17;
  while (joliet < 32 && (joliet + 1) * kCdSectorSize <= image.size() &&
         image[joliet * kCdSectorSize] != 2)
    ++joliet;
  ASSERT_LT(joliet, 32u) << "the image has no supplementary descriptor";
  EXPECT_EQ(identity.Serial, CdfsSerial(SectorOf(image, joliet)));
  EXPECT_EQ(identity.FileSystem, "CDFS");
}

TEST_F(IsoImages, AJolietLabelComesBackAsUtf8) {
  std::vector<unsigned char> image = Image("Zoë Ürün", true);
  TVolumeIdentity identity;
  ASSERT_EQ(ParseVolumeDescriptors(image, 0, identity), ERROR_SUCCESS);
  EXPECT_EQ(identity.Label, "Zoë Ürün");
}

TEST_F(IsoImages, DescriptorsAreReadFromTheStartOfTheLastSession) {
  std::vector<unsigned char> session = Image("SECOND", false);
  std::vector<unsigned char> disc(100 * kCdSectorSize, 0);
  disc.insert(disc.end(), session.begin(), session.end());
  TVolumeIdentity identity;
  ASSERT_EQ(ParseVolumeDescriptors(disc, 100, identity), ERROR_SUCCESS);
  EXPECT_EQ(identity.Label, "SECOND");
  EXPECT_EQ(ParseVolumeDescriptors(disc, 0, identity), ERROR_UNRECOGNIZED_VOLUME);
}

TEST(UdfImages, LabelFromTheLogicalVolumeAndSerialFromTheFileSet) {
  UdfImageBuilder builder;
  builder.label = "Zo\xEB";  // Latin-1, as an 8-bit dstring holds it
  std::vector<unsigned char> image = builder.Build();
  TVolumeIdentity identity;
  ASSERT_EQ(ParseVolumeDescriptors(image, 0, identity), ERROR_SUCCESS);
  EXPECT_EQ(identity.FileSystem, "UDF");
  EXPECT_EQ(identity.Label, "Zoë");
  std::array<Byte, kCdSectorSize> file_set;
  std::memcpy(file_set.data(), builder.FileSet(), kCdSectorSize);
  EXPECT_EQ(identity.Serial, UdfSerial(file_set));
}

TEST(UdfImages, SerialOfAHandBuiltFileSetDescriptor) {
  UdfImageBuilder builder;
  builder.file_set_fill = 0x01;
  std::vector<unsigned char> image = builder.Build();
  // The tag: id 256 (00 01), version 2 (02 00), checksum 05, zeros, location
  // 2 (02 00 00 00). The 2032 spare bytes of 01 add 508 (FC) to each lane.
  // Lane 0: 00+05+00+02+FC = 103 -> 03; lane 1: 01+FC = FD; lane 2: 02+FC = FE;
  // lane 3: FC. UDF puts lane 3 high.
  TVolumeIdentity identity;
  ASSERT_EQ(ParseVolumeDescriptors(image, 0, identity), ERROR_SUCCESS);
  EXPECT_EQ(identity.Serial, 0xFCFEFD03u);
}

TEST(UdfImages, ABridgeDiscIsUdf) {
  UdfImageBuilder builder;
  builder.bridge = true;
  std::vector<unsigned char> image = builder.Build();
  TVolumeIdentity identity;
  ASSERT_EQ(ParseVolumeDescriptors(image, 0, identity), ERROR_SUCCESS);
  EXPECT_EQ(identity.FileSystem, "UDF");
  EXPECT_EQ(identity.Label, "UDF DISC");
}

TEST(UdfImages, ABridgeDiscWithBrokenUdfFallsBackToIso) {
  UdfImageBuilder builder;
  builder.bridge = true;
  std::vector<unsigned char> image = builder.Build();
  image[256 * kCdSectorSize + 4] ^= 0xFF;  // the anchor's checksum
  TVolumeIdentity identity;
  ASSERT_EQ(ParseVolumeDescriptors(image, 0, identity), ERROR_SUCCESS);
  EXPECT_EQ(identity.FileSystem, "CDFS");
  EXPECT_EQ(identity.Label, "ISOSIDE");
}

TEST(UdfImages, SixteenBitLabelsAndMetadataPartitions) {
  UdfImageBuilder builder;
  builder.wide_label = true;
  builder.metadata_partition = true;
  builder.label = "Wide \xC9t\xE9";
  std::vector<unsigned char> image = builder.Build();
  TVolumeIdentity identity;
  ASSERT_EQ(ParseVolumeDescriptors(image, 0, identity), ERROR_SUCCESS);
  EXPECT_EQ(identity.Label, "Wide Été");
  std::array<Byte, kCdSectorSize> file_set;
  std::memcpy(file_set.data(), builder.FileSet(), kCdSectorSize);
  EXPECT_EQ(identity.Serial, UdfSerial(file_set));
}

// Discs written in increments, as mkudffs makes them for a CD-R: the file
// set descriptor is reached through the virtual allocation table.
class PacketWrittenUdf : public ::testing::Test {
 protected:
  std::vector<unsigned char> Image(const std::string& label, const std::string& revision,
                                   bool closed = false) {
    std::string file = drive_test::MakePacketWrittenUdf(temp_, label, revision, closed,
                                                        "vat-" + revision + ".img");
    if (file.empty()) throw std::runtime_error("mkudffs could not make an image");
    return ReadFile(file);
  }
  // The serial of the one file set descriptor in the image, found by its tag.
  static DWORD FileSetSerial(const std::vector<unsigned char>& image) {
    std::optional<DWORD> serial;
    for (size_t n = 0; n < image.size() / kCdSectorSize; ++n) {
      const unsigned char* d = image.data() + n * kCdSectorSize;
      if (d[0] == 0x00 && d[1] == 0x01 && d[5] == 0) {
        EXPECT_FALSE(serial) << "two file set descriptors";
        serial = UdfSerial(SectorOf(image, n));
      }
    }
    EXPECT_TRUE(serial);
    return serial.value_or(0);
  }
  TempFolder temp_;
};

TEST_F(PacketWrittenUdf, LabelAndSerialAsForAnyUdfDisc) {
  for (const char* revision : {"1.50", "2.01", "2.50", "2.60"}) {
    for (bool closed : {false, true}) {
      SCOPED_TRACE(std::string(revision) + (closed ? " closed" : " open"));
      std::vector<unsigned char> image = Image("Été 2004", revision, closed);
      TVolumeIdentity identity;
      ASSERT_EQ(ParseVolumeDescriptors(image, 0, identity), ERROR_SUCCESS);
      EXPECT_EQ(identity.FileSystem, "UDF");
      EXPECT_EQ(identity.Label, "Été 2004");
      EXPECT_EQ(identity.Serial, FileSetSerial(image));
    }
  }
}

TEST_F(PacketWrittenUdf, UnwrittenSectorsAfterTheTableAreSkipped) {
  std::vector<unsigned char> image = Image("Trailing", "2.01");
  image.resize(image.size() + 7 * kCdSectorSize);
  TVolumeIdentity identity;
  ASSERT_EQ(ParseVolumeDescriptors(image, 0, identity), ERROR_SUCCESS);
  EXPECT_EQ(identity.Label, "Trailing");
  EXPECT_EQ(identity.Serial, FileSetSerial(image));
}

TEST_F(PacketWrittenUdf, WithoutItsTableTheDiscIsUnrecognised) {
  for (const char* revision : {"1.50", "2.01"}) {
    std::vector<unsigned char> image = Image("Lost", revision);
    std::fill(image.end() - kCdSectorSize, image.end(), 0);  // the table's sector
    TVolumeIdentity identity;
    EXPECT_EQ(ParseVolumeDescriptors(image, 0, identity), ERROR_UNRECOGNIZED_VOLUME) << revision;
  }
}

TEST_F(PacketWrittenUdf, SectorsAfterTheTableThatFailToReadArePassedOver) {
  std::vector<unsigned char> image = Image("Run-out", "2.01");
  const UInt64 written = image.size() / kCdSectorSize;
  auto read = [&](UInt64 sector, Byte* buffer) {
    if (sector >= written + 4) return TSectorStatus::Missing;
    if (sector >= written) return TSectorStatus::Failed;  // link sectors never written
    std::memcpy(buffer, image.data() + sector * kCdSectorSize, kCdSectorSize);
    return TSectorStatus::Ok;
  };
  TVolumeIdentity identity;
  ASSERT_EQ(ReadVolumeDescriptors(read, 0, identity), ERROR_SUCCESS);
  EXPECT_EQ(identity.Label, "Run-out");
  EXPECT_EQ(identity.Serial, FileSetSerial(image));
}

TEST_F(PacketWrittenUdf, TheTablesLabelIsTheLatest) {
  // A later session rewrites the table, whose header carries the label, but
  // not the volume descriptors: put another label in the table's header.
  std::vector<unsigned char> image = Image("First", "2.01");
  unsigned char* entry = image.data() + image.size() - kCdSectorSize;
  ASSERT_EQ(entry[0] | (entry[1] << 8), 266);  // an extended file entry
  ASSERT_EQ(entry[16 + 18] & 7, 3);            // holding the table itself
  Cardinal ea_length = entry[208] | (entry[209] << 8) | (entry[210] << 16) | (entry[211] << 24);
  unsigned char* label = entry + 216 + ea_length + 4;
  const std::string second = "Second session";
  std::fill(label, label + 128, 0);
  label[0] = 8;
  std::memcpy(label + 1, second.data(), second.size());
  label[127] = Byte(second.size() + 1);
  TVolumeIdentity identity;
  ASSERT_EQ(ParseVolumeDescriptors(image, 0, identity), ERROR_SUCCESS);
  EXPECT_EQ(identity.Label, second);
}

TEST(UnrecognisedMedia, NoDescriptorIsUnrecognised) {
  std::vector<unsigned char> blank(300 * kCdSectorSize, 0);
  TVolumeIdentity identity;
  identity.Label = "untouched";
  EXPECT_EQ(ParseVolumeDescriptors(blank, 0, identity), ERROR_UNRECOGNIZED_VOLUME);
  EXPECT_EQ(identity.Label, "untouched");
  EXPECT_EQ(ParseVolumeDescriptors({}, 0, identity), ERROR_UNRECOGNIZED_VOLUME);
}

TEST(UnrecognisedMedia, AFailedReadIsNotReadyRatherThanUnrecognised) {
  TVolumeIdentity identity;
  auto failing = [](UInt64, Byte*) { return TSectorStatus::Failed; };
  EXPECT_EQ(ReadVolumeDescriptors(failing, 0, identity), ERROR_NOT_READY);
}

}  // namespace
