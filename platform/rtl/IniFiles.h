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

// What every store of sections and idents answers: the ini file here and the
// registry key of TRegIniFile (RegistryClasses.h), so that code keeping
// settings takes either. Numbers and Booleans are stored as text through
// ReadString / WriteString. It is no TObject, so that TRegIniFile can be a
// TRegistry and one of these at once; TIniFile is a TObject itself.
class TCustomIniFile {
 public:
  explicit TCustomIniFile(const String& fileName) : file_name_(fileName) {}
  virtual ~TCustomIniFile() = default;
  TCustomIniFile(const TCustomIniFile&) = delete;
  TCustomIniFile& operator=(const TCustomIniFile&) = delete;

  // The name as given.
  const String& FileName() const { return file_name_; }

  virtual String ReadString(const String& section, const String& ident,
                            const String& def) const = 0;
  virtual void WriteString(const String& section, const String& ident, const String& value) = 0;
  // Decimal or hexadecimal ("$1A", "0x1A"); text that is neither gives `def`.
  Integer ReadInteger(const String& section, const String& ident, Integer def) const;
  void WriteInteger(const String& section, const String& ident, Integer value);
  // Any integer but 0 is true; written as "1" or "0".
  bool ReadBool(const String& section, const String& ident, bool def) const;
  void WriteBool(const String& section, const String& ident, bool value);

  // The idents of `section`, in stored order (replacing the list's lines).
  virtual void ReadSection(const String& section, TStrings* strings) const = 0;
  // The names of every section.
  virtual void ReadSections(TStrings* strings) const = 0;
  // "ident=value" for every ident of `section`, the value as ReadString gives it.
  virtual void ReadSectionValues(const String& section, TStrings* strings) const = 0;
  // Removes the section with all its idents.
  virtual void EraseSection(const String& section) = 0;
  virtual void DeleteKey(const String& section, const String& ident) = 0;
  // Every write is stored at once; kept for the callers that flush.
  void UpdateFile() {}

 private:
  String file_name_;
};

class TIniFile : public TObject, public TCustomIniFile {
  ZORVET_CLASS_NAME(TIniFile)

 public:
  explicit TIniFile(const String& fileName);

  // The file actually read and written.
  const String& NativeFileName() const { return native_name_; }

  String ReadString(const String& section, const String& ident, const String& def) const override;
  void WriteString(const String& section, const String& ident, const String& value) override;
  // In file order.
  void ReadSection(const String& section, TStrings* strings) const override;
  void ReadSections(TStrings* strings) const override;
  void ReadSectionValues(const String& section, TStrings* strings) const override;
  void EraseSection(const String& section) override;
  void DeleteKey(const String& section, const String& ident) override;
  // A section exists when it holds an ident.
  bool SectionExists(const String& section) const;
  bool ValueExists(const String& section, const String& ident) const;

 private:
  String native_name_;
};
