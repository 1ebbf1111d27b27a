// platform/rtl/Paths.h
//
// File names in the two forms the program uses:
// - drive paths, as the catalogue stores them: "D:\Photos\a.txt", "D:" and
//   "D:\" (the letter in either case). They are split at '\' and ':'.
// - native paths, recognised by a leading '/': "/home/u/zorvet/Zorvet.stbl".
//   They are split at '/' only, so '\' and ':' are ordinary characters there.
// Any other text (a bare name, a relative path) is split like a drive path.
//
// The splitting helpers follow the classic runtime's rules; a "delimiter"
// below is '\' or ':' for the drive form and '/' for the native form.
//
// A Linux name may hold characters that Windows forbids in names
// (\ : * ? " < > |). The drive form would be ambiguous with them, so the
// platform shows such a name with each of them moved to U+F000 + its code
// (NativeNameToWindows) and moves them back on the way in
// (WindowsNameToNative).
//
// Drive paths reach the file system through the drive resolver, which the
// drive-mapping layer installs (SetDrivePathResolver). Without one, no drive
// path resolves.
//
// Threads: all functions may run on any thread; the resolver is called
// without any lock held and must itself be safe to call from any thread.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "platform/rtl/Types.h"

bool IsDrivePath(std::string_view path);   // a letter and ':' first
bool IsNativePath(std::string_view path);  // '/' first

// Up to and including the last delimiter ("D:\Photos\a.txt" -> "D:\Photos\").
String ExtractFilePath(std::string_view path);
// As ExtractFilePath without the trailing delimiter, except at a root:
// "D:\Photos\a.txt" -> "D:\Photos", "D:\a.txt" -> "D:\", "/a" -> "/".
String ExtractFileDir(std::string_view path);
// After the last delimiter.
String ExtractFileName(std::string_view path);
// From the last '.' of the name on ("a.tar.gz" -> ".gz"); empty when the
// name has no '.'.
String ExtractFileExt(std::string_view path);
// The path with its extension replaced by `extension` (which carries its own
// '.'; empty removes the extension).
String ChangeFileExt(std::string_view path, std::string_view extension);
// "D:" of a drive path; empty for any other path.
String ExtractFileDrive(std::string_view path);

// Appends the form's separator ('\', or '/' for a native path) unless the
// path already ends in it. An empty path gives "\".
String IncludeTrailingPathDelimiter(std::string_view path);
String IncludeTrailingBackslash(std::string_view path);
// Removes one trailing separator; the native root "/" stays as it is.
String ExcludeTrailingPathDelimiter(std::string_view path);
String ExcludeTrailingBackslash(std::string_view path);

// The running program's file (from /proc/self/exe) and its folder, the
// latter with a trailing '/'.
String ExecutableFileName();
String ExecutableFolder();

// Command-line arguments: those the program's main handed to SetCommandLine,
// or, before any such call, those of /proc/self/cmdline. ParamStr(0) is the
// executable's file name; an index out of range gives empty text.
int ParamCount();
String ParamStr(int index);

// Sets the arguments that ParamCount and ParamStr report: argv[1] to
// argv[argc - 1] (argv[0] is ignored: ParamStr(0) is the executable).
void SetCommandLine(int argc, const char* const* argv);
// The same from a list of the arguments after the program's name.
void SetCommandLine(std::vector<String> arguments);

// One Linux name (not a path) as the program's code sees it, and back.
String NativeNameToWindows(std::string_view name);
String WindowsNameToNative(std::string_view name);

// Turns a drive path into a native path; false when the drive is not mapped
// (or the path cannot be mapped). It receives the drive path as given and is
// responsible for the letter's case and for WindowsNameToNative on each name.
using TDrivePathResolver = std::function<bool(const String& drive_path, String& native_path)>;

// Installs `resolver` (empty: none) and returns the one it replaces.
TDrivePathResolver SetDrivePathResolver(TDrivePathResolver resolver);

// A native path passes through unchanged; a drive path goes through the
// resolver. False (with `native_path` untouched) when no resolver is set,
// the resolver refuses, or the path is of neither form.
bool ResolvePath(const String& path, String& native_path);
