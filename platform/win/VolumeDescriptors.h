// platform/win/VolumeDescriptors.h
//
// The identity of an optical disc (label, 32-bit serial, file-system name),
// computed from its volume descriptors the way Windows computes it, so that a
// disc catalogued there is recognised here. The parser sees only sectors, so
// it serves a drive, a block device and an image file alike.
//
// What is read, from the first sector of the session (`session_start`):
// - sectors 16 to 31 hold the volume recognition sequence; a "BEA01" marker
//   among them makes the disc UDF (ISO/UDF bridge discs included);
// - UDF: the anchor at sector 256 leads to the volume descriptor sequence;
//   the logical volume descriptor gives the label (its logical volume
//   identifier) and the address of the file set descriptor, whose 2048 bytes
//   give the serial; file system "UDF". A disc written in increments (CD-R,
//   DVD-R, BD-R) maps the file set through a virtual partition: its
//   virtual allocation table, in the last written sector of the medium (up
//   to 32 sectors before the last one that exists, whose size is found by
//   probing for missing sectors), gives the sector of that block; the
//   table's own logical volume identifier, when it has one, is the label,
//   as it is rewritten with every session while the descriptors are not;
// - otherwise ISO 9660 from sector 16 up to the set terminator: the Joliet
//   supplementary descriptor (escape sequence %/@, %/C or %/E) when present,
//   else the primary one; label its volume identifier (UCS-2 big-endian in
//   Joliet, the bytes as they are in the primary one) without trailing
//   blanks; serial from the descriptor's 2048 bytes; file system "CDFS".
// A UDF disc whose UDF structures cannot be followed falls back to its ISO
// descriptors, as Windows' CD file system takes such discs.
//
// The serial sums the 2048 bytes in four byte lanes (byte i goes to lane
// i mod 4), each lane modulo 256. CDFS assembles lane 0 as the high byte down
// to lane 3 as the low byte; UDF the other way round.
#pragma once

#include <functional>
#include <span>

#include "platform/rtl/Types.h"
#include "platform/win/WinTypes.h"

constexpr size_t kCdSectorSize = 2048;

struct TVolumeIdentity {
  String Label;  // UTF-8
  DWORD Serial = 0;
  String FileSystem;  // "CDFS" or "UDF" for discs
};

enum class TSectorStatus {
  Ok,       // the buffer holds the sector
  Missing,  // the sector lies beyond the end of the medium
  Failed,   // the medium could not be read
};

// Reads the 2048-byte sector `sector` (counted from the start of the medium) into `buffer`.
using TSectorReader = std::function<TSectorStatus(UInt64 sector, Byte* buffer)>;

// Reads the identity of the medium behind `read`. Returns ERROR_SUCCESS,
// ERROR_UNRECOGNIZED_VOLUME when no descriptor is recognised, or
// ERROR_NOT_READY when a sector could not be read. `identity` is written only on success.
DWORD ReadVolumeDescriptors(const TSectorReader& read, Cardinal session_start,
                            TVolumeIdentity& identity);

// The same over the bytes of a whole image (sector 0 first).
DWORD ParseVolumeDescriptors(std::span<const Byte> image, Cardinal session_start,
                             TVolumeIdentity& identity);

// The serials of one 2048-byte descriptor, in the byte order of each file system.
DWORD CdfsSerial(std::span<const Byte, kCdSectorSize> descriptor);
DWORD UdfSerial(std::span<const Byte, kCdSectorSize> descriptor);
