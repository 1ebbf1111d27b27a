// platform/rtl/FileServices.h
//
// The simple file services: existence, deletion, renaming, folder creation,
// time and size. Each takes a path of either form (see Paths.h): a drive
// path goes through the drive resolver, a native path is used as it is.
//
// As in the classic runtime, failure is an answer, not an exception: the
// services return false (FileSize -1) and leave the reason in errno (ENOENT
// when a drive path does not resolve).
//
// Threads: any thread; the file system is the only shared state.
#pragma once

#include <string_view>

#include "platform/rtl/Types.h"

// Whether `path` names an existing file that is not a folder (links followed).
bool FileExists(const String& path);
// Whether `path` names an existing folder (links followed).
bool DirectoryExists(const String& path);

// Deletes a file; a folder is not deleted.
bool DeleteFile(const String& path);

// Renames or moves a file or folder. Fails, as Windows does, when
// `new_name` already exists, rather than replacing it.
bool RenameFile(const String& old_name, const String& new_name);

// Creates `dir` and every missing folder above it; true when the folder
// exists afterwards. An empty `dir` fails with EINVAL.
bool ForceDirectories(const String& dir);

// The last-write time of a file or folder as a local TDateTime; of a
// symbolic link, the link's own (not followed), as a search reports it.
bool FileAge(const String& path, TDateTime& last_write);

// The size in bytes of a file, or -1 when it cannot be read.
Int64 FileSize(const String& path);

// Makes `bytes` the whole content of the native file `file`, creating the
// folders above it. The bytes go to a new file beside it, are flushed to the
// disk and then replace the old file by rename, so that a crash leaves the
// old content or the new, never half of either. `mode` gives the new file's
// permissions. False (errno set) when any step fails; the new file is
// removed then and the old one is untouched.
bool WriteFileAtomically(const String& file, std::string_view bytes, unsigned mode);
