// platform/win/VolumeDescriptors.cpp
#include "platform/win/VolumeDescriptors.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/rtl/Unicode.h"
#include "platform/win/WinError.h"

namespace {

using TSector = std::array<Byte, kCdSectorSize>;

// Descriptor tag identifiers of the UDF structures we follow.
constexpr Word kTagAnchor = 2;
constexpr Word kTagPointer = 3;
constexpr Word kTagPartition = 5;
constexpr Word kTagLogicalVolume = 6;
constexpr Word kTagTerminating = 8;
constexpr Word kTagFileSet = 256;
constexpr Word kTagFileEntry = 261;
constexpr Word kTagExtendedFileEntry = 266;

constexpr Cardinal kAnchorSector = 256;
// The file type of a virtual allocation table, and the sizes of what comes
// before its entries (the header of the current form) or after them (the
// trailer of the older form).
constexpr Byte kFileTypeVat = 248;
constexpr size_t kVatHeaderSize = 152;
constexpr size_t kOldVatTrailerSize = 36;
// How far before the medium's last sector its table is looked for.
constexpr UInt64 kVatSearchSectors = 32;
// Bounds on structures read from a disc, so that a damaged one cannot keep us reading.
constexpr int kMaxIsoDescriptors = 64;
constexpr int kMaxUdfDescriptors = 256;

Word Le16(const Byte* p) {
  return Word(p[0] | (p[1] << 8));
}
Cardinal Le32(const Byte* p) {
  return Cardinal(p[0]) | (Cardinal(p[1]) << 8) | (Cardinal(p[2]) << 16) | (Cardinal(p[3]) << 24);
}

String Latin1ToUtf8(const Byte* text, size_t size) {
  String out;
  for (size_t i = 0; i < size; ++i) AppendUtf8(out, text[i]);
  return out;
}

// UTF-16 big-endian (UCS-2 on older discs); an unpaired surrogate becomes U+FFFD.
String Utf16BeToUtf8(const Byte* text, size_t units) {
  std::u16string wide(units, u'\0');
  for (size_t i = 0; i < units; ++i) wide[i] = char16_t((text[2 * i] << 8) | text[2 * i + 1]);
  return Utf16ToUtf8(wide);
}

void TrimTrailingBlanks(String& text) {
  size_t end = text.find_last_not_of(std::string_view(" \0", 2));
  text.erase(end == String::npos ? 0 : end + 1);
}

DWORD LaneSerial(std::span<const Byte, kCdSectorSize> descriptor, bool lane0_high) {
  std::array<Byte, 4> lanes{};
  for (size_t i = 0; i < descriptor.size(); ++i) lanes[i % 4] = Byte(lanes[i % 4] + descriptor[i]);
  if (lane0_high)
    return (DWORD(lanes[0]) << 24) | (DWORD(lanes[1]) << 16) | (DWORD(lanes[2]) << 8) | lanes[3];
  return (DWORD(lanes[3]) << 24) | (DWORD(lanes[2]) << 16) | (DWORD(lanes[1]) << 8) | lanes[0];
}

// Reads sectors and remembers whether the medium failed, so that a read
// error is told apart from a structure that is simply not there.
class TDescriptorScan {
 public:
  TDescriptorScan(const TSectorReader& read, Cardinal session_start)
      : read_(read), session_start_(session_start) {}

  bool Failed() const { return failed_; }

  bool ReadAbsolute(UInt64 sector, TSector& buffer) {
    if (failed_) return false;
    switch (read_(sector, buffer.data())) {
      case TSectorStatus::Ok:
        return true;
      case TSectorStatus::Missing:
        return false;
      case TSectorStatus::Failed:
        failed_ = true;
        return false;
    }
    return false;
  }
  bool ReadInSession(UInt64 sector, TSector& buffer) {
    return ReadAbsolute(session_start_ + sector, buffer);
  }

  bool HasUdfMarker() {
    TSector sector;
    for (Cardinal s = 16; s <= 31; ++s) {
      if (!ReadInSession(s, sector)) return false;
      if (std::memcmp(sector.data() + 1, "BEA01", 5) == 0) return true;
    }
    return false;
  }

  std::optional<TVolumeIdentity> ReadUdf();
  std::optional<TVolumeIdentity> ReadIso();

 private:
  struct TUdfVolume {
    std::optional<TSector> logical_volume;
    Cardinal logical_volume_number = 0;
    std::map<Word, Cardinal> partition_starts;  // partition number -> first sector
  };
  // Where the content of a file entry lies: inline in the entry, or in
  // extents of the partition that starts at `partition_start`.
  struct TFileData {
    TSector entry;
    UInt64 length = 0;                                 // the file's information length
    size_t inline_at = 0;                              // embedded data: its offset in `entry`
    bool embedded = false;                             // otherwise the extents below
    std::vector<std::pair<UInt64, Cardinal>> extents;  // first sector, length in bytes
  };
  bool ReadDescriptorSequence(Cardinal location, Cardinal length, TUdfVolume& volume);
  std::optional<UInt64> FileSetSector(const TUdfVolume& volume);
  std::optional<UInt64> MetadataSector(Cardinal partition_start, Cardinal metadata_file,
                                       Cardinal block);
  std::optional<TFileData> FileDataOf(const TSector& entry, Cardinal partition_start);
  bool ReadFileBytes(const TFileData& file, UInt64 offset, Byte* out, size_t size);
  std::optional<UInt64> LastSector();
  std::optional<UInt64> VirtualSector(Cardinal partition_start, Cardinal block);

  const TSectorReader& read_;
  Cardinal session_start_;
  bool failed_ = false;
  // The logical volume identifier that a virtual allocation table carries:
  // it is rewritten with every session, while the descriptors are not.
  String vat_label_;
};

bool ValidTag(const TSector& d, Word id) {
  if (Le16(d.data()) != id) return false;
  Byte sum = 0;
  for (int i = 0; i < 16; ++i)
    if (i != 4) sum = Byte(sum + d[i]);
  return sum == d[4];
}

// A UDF "dstring": compression identifier first, used length in the last byte.
String DecodeDString(const Byte* field, size_t size) {
  size_t used = field[size - 1];
  if (used <= 1 || used > size - 1) return String();
  const Byte* text = field + 1;
  size_t bytes = used - 1;
  switch (field[0]) {
    case 8:
    case 254:
      return Latin1ToUtf8(text, bytes);
    case 16:
    case 255:
      return Utf16BeToUtf8(text, bytes / 2);
    default:
      return String();
  }
}

bool TDescriptorScan::ReadDescriptorSequence(Cardinal location, Cardinal length,
                                             TUdfVolume& volume) {
  std::map<Word, Cardinal> partition_sequence;
  bool any = false;
  int budget = kMaxUdfDescriptors;
  TSector d;
  for (Cardinal i = 0; i < length / kCdSectorSize && budget-- > 0; ++i) {
    if (!ReadAbsolute(UInt64(location) + i, d)) break;
    Word tag = Le16(d.data());
    if (!ValidTag(d, tag)) break;
    if (tag == kTagTerminating) break;
    Cardinal sequence = Le32(d.data() + 16);
    if (tag == kTagPointer) {
      // The sequence continues in another extent.
      location = Le32(d.data() + 24);
      length = Le32(d.data() + 20);
      i = Cardinal(-1);
      continue;
    }
    if (tag == kTagPartition) {
      Word number = Le16(d.data() + 22);
      auto kept = partition_sequence.find(number);
      if (kept == partition_sequence.end() || sequence >= kept->second) {
        partition_sequence[number] = sequence;
        volume.partition_starts[number] = Le32(d.data() + 188);
      }
      any = true;
    } else if (tag == kTagLogicalVolume) {
      if (!volume.logical_volume || sequence >= volume.logical_volume_number) {
        volume.logical_volume = d;
        volume.logical_volume_number = sequence;
      }
      any = true;
    }
  }
  return any && volume.logical_volume && !volume.partition_starts.empty();
}

std::optional<TDescriptorScan::TFileData> TDescriptorScan::FileDataOf(const TSector& entry,
                                                                      Cardinal partition_start) {
  TFileData file;
  size_t ads;
  Cardinal ea_length, ad_length;
  if (ValidTag(entry, kTagFileEntry)) {
    ea_length = Le32(entry.data() + 168);
    ad_length = Le32(entry.data() + 172);
    ads = 176;
  } else if (ValidTag(entry, kTagExtendedFileEntry)) {
    ea_length = Le32(entry.data() + 208);
    ad_length = Le32(entry.data() + 212);
    ads = 216;
  } else {
    return std::nullopt;
  }
  if (UInt64(ads) + ea_length + ad_length > kCdSectorSize) return std::nullopt;
  ads += ea_length;
  file.entry = entry;
  file.length = Le32(entry.data() + 56) | (UInt64(Le32(entry.data() + 60)) << 32);
  Word ad_type = Le16(entry.data() + 16 + 18) & 7;
  if (ad_type == 3) {
    if (file.length > ad_length) return std::nullopt;
    file.embedded = true;
    file.inline_at = ads;
    return file;
  }
  size_t ad_size = ad_type == 0 ? 8 : ad_type == 1 ? 16 : 0;
  if (ad_size == 0) return std::nullopt;
  for (size_t p = ads; p + ad_size <= ads + ad_length; p += ad_size) {
    Cardinal length = Le32(entry.data() + p) & 0x3FFFFFFF;
    Cardinal kind = Le32(entry.data() + p) >> 30;
    if (length == 0 || kind != 0) break;  // the end, or a continuation we do not follow
    file.extents.emplace_back(UInt64(partition_start) + Le32(entry.data() + p + 4), length);
  }
  return file;
}

bool TDescriptorScan::ReadFileBytes(const TFileData& file, UInt64 offset, Byte* out, size_t size) {
  if (offset > file.length || size > file.length - offset) return false;
  if (file.embedded) {
    std::memcpy(out, file.entry.data() + file.inline_at + offset, size);
    return true;
  }
  UInt64 start = 0;  // of the current extent in the file
  TSector sector;
  for (const auto& [first, length] : file.extents) {
    while (size > 0 && offset < start + length) {
      UInt64 within = offset - start;
      if (!ReadAbsolute(first + within / kCdSectorSize, sector)) return false;
      size_t at = size_t(within % kCdSectorSize);
      size_t n = std::min({size, kCdSectorSize - at, size_t(start + length - offset)});
      std::memcpy(out, sector.data() + at, n);
      out += n;
      offset += n;
      size -= n;
    }
    if (size == 0) return true;
    start += length;
  }
  return false;
}

std::optional<UInt64> TDescriptorScan::MetadataSector(Cardinal partition_start,
                                                      Cardinal metadata_file, Cardinal block) {
  TSector entry;
  if (!ReadAbsolute(UInt64(partition_start) + metadata_file, entry)) return std::nullopt;
  std::optional<TFileData> file = FileDataOf(entry, partition_start);
  if (!file || file->embedded) return std::nullopt;
  // The metadata partition is the metadata file's content: walk its extents
  // to the one that holds the block.
  UInt64 target = UInt64(block) * kCdSectorSize;
  UInt64 offset = 0;
  for (const auto& [first, length] : file->extents) {
    if (target < offset + length) return first + (target - offset) / kCdSectorSize;
    offset += length;
  }
  return std::nullopt;
}

std::optional<UInt64> TDescriptorScan::LastSector() {
  // The medium's size is not given, only that a sector past the end is
  // missing: double past the anchor until a sector is missing, then halve
  // the gap. A sector that exists but cannot be read (the unwritten link
  // sectors of a disc written in increments) still counts as there.
  TSector sector;
  auto exists = [&](UInt64 n) { return read_(n, sector.data()) != TSectorStatus::Missing; };
  UInt64 readable = UInt64(session_start_) + kAnchorSector;
  UInt64 missing = readable + 1;
  while (exists(missing)) {
    readable = missing;
    if (missing > (UInt64(1) << 40)) return std::nullopt;
    missing *= 2;
  }
  while (missing - readable > 1) {
    UInt64 middle = readable + (missing - readable) / 2;
    (exists(middle) ? readable : missing) = middle;
  }
  return readable;
}

std::optional<UInt64> TDescriptorScan::VirtualSector(Cardinal partition_start, Cardinal block) {
  // A disc written in increments keeps its virtual allocation table in the
  // last sector it wrote; a drive may count a few unwritten sectors after
  // it, which are passed over whether they read as blank or fail.
  std::optional<UInt64> last = LastSector();
  if (!last || *last < partition_start) return std::nullopt;
  TSector entry;
  for (UInt64 back = 0; back < kVatSearchSectors && back <= *last - partition_start; ++back) {
    // Sectors after the table that were never written may fail to read.
    if (read_(*last - back, entry.data()) != TSectorStatus::Ok) continue;
    std::optional<TFileData> file = FileDataOf(entry, partition_start);
    if (!file) continue;
    Byte file_type = entry[16 + 11];
    UInt64 table_start;
    if (file_type == kFileTypeVat) {
      // A header first: its own length, then the logical volume identifier.
      Byte header[kVatHeaderSize];
      if (!ReadFileBytes(*file, 0, header, sizeof header)) continue;
      table_start = Le16(header);
      if (table_start < kVatHeaderSize) continue;
      vat_label_ = DecodeDString(header + 4, 128);
    } else {
      // The older form: the table, then an identifier and the previous table's place.
      Byte trailer[kOldVatTrailerSize];
      if (file_type != 0 || file->length < sizeof trailer ||
          !ReadFileBytes(*file, file->length - sizeof trailer, trailer, sizeof trailer) ||
          std::memcmp(trailer + 1, "*UDF Virtual Alloc Tbl", 22) != 0)
        continue;
      table_start = 0;
    }
    Byte mapped[4];
    if (!ReadFileBytes(*file, table_start + UInt64(block) * 4, mapped, 4)) return std::nullopt;
    Cardinal physical = Le32(mapped);
    if (physical == 0xFFFFFFFF) return std::nullopt;  // a block the disc does not use
    return UInt64(partition_start) + physical;
  }
  return std::nullopt;
}

std::optional<UInt64> TDescriptorScan::FileSetSector(const TUdfVolume& volume) {
  const TSector& lvd = *volume.logical_volume;
  if (Le32(lvd.data() + 212) != kCdSectorSize) return std::nullopt;
  Cardinal block = Le32(lvd.data() + 252);
  Word reference = Le16(lvd.data() + 256);
  Cardinal table_length = Le32(lvd.data() + 264);
  Cardinal map_count = Le32(lvd.data() + 268);
  size_t end = 440 + std::min<size_t>(table_length, kCdSectorSize - 440);

  size_t p = 440;
  for (Cardinal index = 0; index < map_count && p + 2 <= end; ++index) {
    Byte type = lvd[p];
    Byte length = lvd[p + 1];
    if (length < 6 || p + length > end) return std::nullopt;
    if (index == reference) {
      if (type == 1) {
        auto start = volume.partition_starts.find(Le16(lvd.data() + p + 4));
        if (start == volume.partition_starts.end()) return std::nullopt;
        return UInt64(start->second) + block;
      }
      if (type != 2 || length < 64) return std::nullopt;
      std::string_view kind(reinterpret_cast<const char*>(lvd.data() + p + 5), 23);
      auto start = volume.partition_starts.find(Le16(lvd.data() + p + 38));
      if (start == volume.partition_starts.end()) return std::nullopt;
      if (kind.starts_with("*UDF Sparable Partition")) return UInt64(start->second) + block;
      if (kind.starts_with("*UDF Metadata Partition"))
        return MetadataSector(start->second, Le32(lvd.data() + p + 40), block);
      if (kind.starts_with("*UDF Virtual Partition")) return VirtualSector(start->second, block);
      return std::nullopt;
    }
    p += length;
  }
  return std::nullopt;
}

std::optional<TVolumeIdentity> TDescriptorScan::ReadUdf() {
  TSector anchor;
  if (!ReadInSession(kAnchorSector, anchor) || !ValidTag(anchor, kTagAnchor)) return std::nullopt;
  TUdfVolume volume;
  // The main sequence first, then its reserve copy.
  if (!ReadDescriptorSequence(Le32(anchor.data() + 20), Le32(anchor.data() + 16), volume) &&
      !ReadDescriptorSequence(Le32(anchor.data() + 28), Le32(anchor.data() + 24), volume))
    return std::nullopt;
  std::optional<UInt64> file_set = FileSetSector(volume);
  TSector fsd;
  if (!file_set || !ReadAbsolute(*file_set, fsd) || !ValidTag(fsd, kTagFileSet))
    return std::nullopt;
  TVolumeIdentity identity;
  identity.Label =
      vat_label_.empty() ? DecodeDString(volume.logical_volume->data() + 84, 128) : vat_label_;
  identity.Serial = UdfSerial(fsd);
  identity.FileSystem = "UDF";
  return identity;
}

std::optional<TVolumeIdentity> TDescriptorScan::ReadIso() {
  std::optional<TSector> primary, joliet;
  TSector d;
  for (int i = 0; i < kMaxIsoDescriptors; ++i) {
    if (!ReadInSession(16 + UInt64(i), d)) break;
    if (std::memcmp(d.data() + 1, "CD001", 5) != 0) break;
    if (d[0] == 255) break;
    if (d[0] == 1 && !primary) primary = d;
    if (d[0] == 2 && !joliet) {
      std::string_view escapes(reinterpret_cast<const char*>(d.data() + 88), 32);
      if (escapes.find("%/@") != std::string_view::npos ||
          escapes.find("%/C") != std::string_view::npos ||
          escapes.find("%/E") != std::string_view::npos)
        joliet = d;
    }
  }
  if (!primary && !joliet) return std::nullopt;
  TVolumeIdentity identity;
  if (joliet) {
    identity.Label = Utf16BeToUtf8(joliet->data() + 40, 16);
    identity.Serial = CdfsSerial(*joliet);
  } else {
    // The primary descriptor's bytes are in the code page of whoever wrote
    // the disc; they are shown in the system's, as Windows shows them.
    identity.Label.assign(reinterpret_cast<const char*>(primary->data() + 40), 32);
    identity.Serial = CdfsSerial(*primary);
  }
  TrimTrailingBlanks(identity.Label);
  identity.FileSystem = "CDFS";
  return identity;
}

}  // namespace

DWORD CdfsSerial(std::span<const Byte, kCdSectorSize> descriptor) {
  return LaneSerial(descriptor, true);
}

DWORD UdfSerial(std::span<const Byte, kCdSectorSize> descriptor) {
  return LaneSerial(descriptor, false);
}

DWORD ReadVolumeDescriptors(const TSectorReader& read, Cardinal session_start,
                            TVolumeIdentity& identity) {
  TDescriptorScan scan(read, session_start);
  std::optional<TVolumeIdentity> found;
  if (scan.HasUdfMarker()) found = scan.ReadUdf();
  if (!found && !scan.Failed()) found = scan.ReadIso();
  if (scan.Failed()) return ERROR_NOT_READY;
  if (!found) return ERROR_UNRECOGNIZED_VOLUME;
  identity = std::move(*found);
  return ERROR_SUCCESS;
}

DWORD ParseVolumeDescriptors(std::span<const Byte> image, Cardinal session_start,
                             TVolumeIdentity& identity) {
  auto read = [image](UInt64 sector, Byte* buffer) {
    if (sector >= image.size() / kCdSectorSize) return TSectorStatus::Missing;
    std::memcpy(buffer, image.data() + sector * kCdSectorSize, kCdSectorSize);
    return TSectorStatus::Ok;
  };
  return ReadVolumeDescriptors(read, session_start, identity);
}
