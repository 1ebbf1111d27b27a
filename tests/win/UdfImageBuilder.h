// tests/win/UdfImageBuilder.h
//
// A minimal UDF image built by hand, from the structures the descriptor
// parser follows: the recognition sequence (optionally behind ISO 9660
// descriptors, as on a bridge disc), the anchor at sector 256, a partition
// descriptor, a logical volume descriptor, a terminator and a file set
// descriptor, reached through a plain or a metadata partition.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace drive_test {

class UdfImageBuilder {
 public:
  static constexpr size_t kSector = 2048;
  static constexpr uint32_t kPartitionStart = 300;

  bool bridge = false;  // ISO 9660 descriptors first, labelled "ISOSIDE"
  bool metadata_partition = false;
  bool wide_label = false;  // the label in 16-bit characters
  std::string label = "UDF DISC";
  unsigned char file_set_fill = 0x5A;  // what the file set descriptor's spare bytes hold

  std::vector<unsigned char> Build() {
    image_.assign(400 * kSector, 0);
    uint32_t vrs = 16;
    if (bridge) {
      unsigned char* pvd = Sector(16);
      pvd[0] = 1;
      std::memcpy(pvd + 1, "CD001", 5);
      pvd[6] = 1;
      std::memset(pvd + 40, ' ', 32);
      std::memcpy(pvd + 40, "ISOSIDE", 7);
      unsigned char* end = Sector(17);
      end[0] = 255;
      std::memcpy(end + 1, "CD001", 5);
      vrs = 18;
    }
    for (const char* id : {"BEA01", "NSR02", "TEA01"}) {
      std::memcpy(Sector(vrs) + 1, id, 5);
      Sector(vrs++)[6] = 1;
    }

    unsigned char* anchor = Sector(256);
    Put32(anchor + 16, 4 * kSector);  // main sequence: length, then location
    Put32(anchor + 20, 32);
    Tag(anchor, 2, 256);

    unsigned char* partition = Sector(32);
    Put32(partition + 16, 1);
    Put16(partition + 22, 0);
    Put32(partition + 188, kPartitionStart);
    Put32(partition + 192, 90);
    Tag(partition, 5, 32);

    unsigned char* volume = Sector(33);
    Put32(volume + 16, 1);
    PutLabel(volume + 84);
    Put32(volume + 212, kSector);
    Put32(volume + 248, kSector);  // file set descriptor: block 2 of partition reference 0
    Put32(volume + 252, 2);
    Put16(volume + 256, 0);
    Put32(volume + 268, 1);
    uint32_t file_set_sector;
    if (metadata_partition) {
      Put32(volume + 264, 64);
      unsigned char* map = volume + 440;
      map[0] = 2;
      map[1] = 64;
      std::memcpy(map + 5, "*UDF Metadata Partition", 23);
      Put16(map + 36, 1);
      Put16(map + 38, 0);
      Put32(map + 40, 10);  // the metadata file's entry, block 10 of the partition
      unsigned char* entry = Sector(kPartitionStart + 10);
      Put32(entry + 172, 8);            // one short allocation descriptor
      Put32(entry + 176, 4 * kSector);  // the metadata starts at block 20
      Put32(entry + 180, 20);
      Tag(entry, 261, 10);
      file_set_sector = kPartitionStart + 20 + 2;
    } else {
      Put32(volume + 264, 6);
      unsigned char* map = volume + 440;
      map[0] = 1;
      map[1] = 6;
      Put16(map + 2, 1);
      Put16(map + 4, 0);
      file_set_sector = kPartitionStart + 2;
    }
    Tag(volume, 6, 33);
    Tag(Sector(34), 8, 34);

    unsigned char* file_set = Sector(file_set_sector);
    std::memset(file_set + 16, file_set_fill, kSector - 16);
    Tag(file_set, 256, 2);
    file_set_sector_ = file_set_sector;
    return image_;
  }

  // The file set descriptor of the last image built.
  const unsigned char* FileSet() const { return image_.data() + file_set_sector_ * kSector; }

 private:
  unsigned char* Sector(uint32_t n) { return image_.data() + n * kSector; }
  static void Put16(unsigned char* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
  }
  static void Put32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
  }
  static void Tag(unsigned char* d, uint16_t id, uint32_t location) {
    Put16(d, id);
    Put16(d + 2, 2);
    Put32(d + 12, location);
    unsigned char sum = 0;
    for (int i = 0; i < 16; ++i)
      if (i != 4) sum = uint8_t(sum + d[i]);
    d[4] = sum;
  }
  void PutLabel(unsigned char* field) {
    // A dstring of 128 bytes: compression identifier, characters, used length last.
    field[0] = wide_label ? 16 : 8;
    size_t used = 1;
    for (unsigned char c : label) {
      if (wide_label) field[used++] = 0;
      field[used++] = c;
    }
    field[127] = uint8_t(used);
  }

  std::vector<unsigned char> image_;
  uint32_t file_set_sector_ = 0;
};

}  // namespace drive_test
