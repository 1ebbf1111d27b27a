// platform/rtl/IniFiles.h
//
// Ini files as the program's code reads and writes them through the profile
// functions of Windows: sections of "ident=value" lines.
//
//   TIniFile ini("Zorvet.ini");                 // lies in WindowsFolder()
//   ini.WriteInteger("Main", "Width", 640);
//   int w = ini.ReadInteger("Main", "Width", 400);
//
// The rules kept from Windows:
// - A file name without a folder lies in the Windows folder (Environment.h);
//   a drive path goes through the drive mapping.
// - Section and ident names match ignoring ASCII case; the first section and
//   the first ident of a name win.
// - Reading trims the value and strips one pair of surrounding quotes (" or
//   '); an ident that is absent gives the default.
// - Every write goes to the file at once. The whole file is written to a new
//   file that then replaces the old one by rename, so a crash never leaves
//   half a file. Lines that are neither a section nor "ident=value"
//   (comments, stray text) are kept as they are, as is the file's line end
//   (CR LF unless the file's first line ends in LF alone).
// - A value never spans two lines: WriteString writes every CR and LF of the
//   value as a blank (a value without them is written byte for byte).
// - Every call reads the file again, so two TIniFile objects on the same file
//   see each other's changes.
//
// A write that cannot reach the disk raises EIniFileException.
#pragma once

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Types.h"

class TStrings;

ZORVET_DECLARE_EXCEPTION(EIniFileException, Exception);

class TIniFile : public TObject {
  ZORVET_CLASS_NAME(TIniFile)

 public:
  explicit TIniFile(const String& fileName);

  // The name as given.
  const String& FileName() const { return file_name_; }
  // The file actually read and written.
  const String& NativeFileName() const { return native_name_; }

  String ReadString(const String& section, const String& ident, const String& def) const;
  void WriteString(const String& section, const String& ident, const String& value);
  // Decimal or hexadecimal ("$1A", "0x1A"); text that is neither gives `def`.
  Integer ReadInteger(const String& section, const String& ident, Integer def) const;
  void WriteInteger(const String& section, const String& ident, Integer value);
  // Any integer but 0 is true; written as "1" or "0".
  bool ReadBool(const String& section, const String& ident, bool def) const;
  void WriteBool(const String& section, const String& ident, bool value);

  // The idents of `section`, in file order (replacing the list's lines).
  void ReadSection(const String& section, TStrings* strings) const;
  // The names of every section, in file order.
  void ReadSections(TStrings* strings) const;
  // "ident=value" for every ident of `section`, the value as ReadString gives it.
  void ReadSectionValues(const String& section, TStrings* strings) const;
  // Removes the section with all its lines.
  void EraseSection(const String& section);
  void DeleteKey(const String& section, const String& ident);
  // A section exists when it holds an ident.
  bool SectionExists(const String& section) const;
  bool ValueExists(const String& section, const String& ident) const;
  // Every write is on disk already; kept for the callers that flush.
  void UpdateFile() {}

 private:
  String file_name_;
  String native_name_;
};
