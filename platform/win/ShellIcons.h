// platform/win/ShellIcons.h
//
// The shell's file-type icons and names, and the icon theme they come from.
//
// SHGetFileInfoA answers, for a file name, the index of its type's icon in
// the system image lists and the type's name. The type is the name's MIME
// type (shared-mime-info through GIO, by the name alone: the file's content
// is never read); its icon is the theme's icon of that type (Adwaita, then
// hicolor, PNG files), a folder gets the folder icon and a name of no known
// type the generic file icon. There are two system image lists, one of
// small (16 by 16) and one of large (32 by 32) icons, with the same index for
// the same type in both; they are made once and shared by the whole process
// (a control that shows them marks its image list as shared), and each type's
// icon is loaded once.
//
// Supported flags: SHGFI_SYSICONINDEX (returns the list, small with
// SHGFI_SMALLICON, else large; SHGFI_SHELLICONSIZE asks for the large one),
// SHGFI_TYPENAME, SHGFI_USEFILEATTRIBUTES (the path need not exist; the
// attributes say whether it is a folder). Without SHGFI_USEFILEATTRIBUTES
// the path (drive or native form) must exist, except an empty path with
// SHGFI_SYSICONINDEX, which only returns the list. Other flags are ignored.
//
// Threads: GUI thread only.
#pragma once

#include <optional>

#include "platform/rtl/Types.h"
#include "platform/win/Surface.h"
#include "platform/win/WinTypes.h"

constexpr UINT SHGFI_LARGEICON = 0x000000;
constexpr UINT SHGFI_SMALLICON = 0x000001;
constexpr UINT SHGFI_OPENICON = 0x000002;
constexpr UINT SHGFI_SHELLICONSIZE = 0x000004;
constexpr UINT SHGFI_PIDL = 0x000008;
constexpr UINT SHGFI_USEFILEATTRIBUTES = 0x000010;
constexpr UINT SHGFI_ICON = 0x000100;
constexpr UINT SHGFI_DISPLAYNAME = 0x000200;
constexpr UINT SHGFI_TYPENAME = 0x000400;
constexpr UINT SHGFI_ATTRIBUTES = 0x000800;
constexpr UINT SHGFI_SYSICONINDEX = 0x004000;

constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;

struct SHFILEINFOA {
  HICON hIcon = nullptr;
  int iIcon = 0;
  DWORD dwAttributes = 0;
  char szDisplayName[260] = {};
  char szTypeName[80] = {};
};

// See the top of this file. Returns the image list (SHGFI_SYSICONINDEX),
// else nonzero on success; 0 on failure.
DWORD_PTR SHGetFileInfoA(LPCSTR path, DWORD fileAttributes, SHFILEINFOA* info, UINT infoSize,
                         UINT flags);

// Destroys the system image lists (the process end; tests). The next
// request makes them afresh.
void ReleaseShellImageLists();

// --- the icon theme -------------------------------------------------------------------------
// The PNG file of the theme icon `name` at `size` pixels (Adwaita, then
// hicolor, in the data folders of XDG_DATA_DIRS), also found under its
// "-symbolic" name; empty when there is none.
String FindThemeIcon(const String& name, int size);
// The picture of the theme icon, with its alpha; nothing when not found.
std::optional<TSurface> ReadThemeIcon(const String& name, int size);
// A 32-bit DIB section holding `picture` with its alpha (the caller deletes it).
HBITMAP CreateSurfaceBitmap(const TSurface& picture);
