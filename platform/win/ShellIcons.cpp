// platform/win/ShellIcons.cpp
//
// File types from shared-mime-info through GIO, icons from the theme's PNG
// files, and the two process-wide image lists they are kept in.
#include "platform/win/ShellIcons.h"

#include <gio/gio.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "platform/rtl/FileServices.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/StringUtils.h"
#include "platform/win/Gdi.h"
#include "platform/win/GdiObjects.h"
#include "platform/win/ImageList.h"
#include "platform/win/Png.h"

namespace {

constexpr int kSmall = 16;
constexpr int kLarge = 32;
constexpr const char* kThemes[] = {"Adwaita", "hicolor"};
// The folders of a size where the theme keeps its icons.
constexpr const char* kContexts[] = {"mimetypes", "places",     "devices", "actions", "status",
                                     "apps",      "categories", "emblems", "legacy"};
constexpr const char* kGenericIcon = "application-x-generic";
constexpr const char* kFolderIcon = "folder";

std::vector<String> DataFolders() {
  std::vector<String> folders;
  const char* dirs = std::getenv("XDG_DATA_DIRS");
  String list = dirs && *dirs ? dirs : "/usr/local/share:/usr/share";
  std::size_t from = 0;
  while (from <= list.size()) {
    std::size_t to = list.find(':', from);
    if (to == String::npos) to = list.size();
    if (to > from) folders.push_back(list.substr(from, to - from));
    from = to + 1;
  }
  return folders;
}

bool IsFile(const String& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// --- the system image lists ------------------------------------------------------------------

struct TShellLists {
  HIMAGELIST small = nullptr;
  HIMAGELIST large = nullptr;
  // Icon name -> index in both lists.
  std::map<String, int> indexes;
};

TShellLists& Lists() {
  static TShellLists lists;
  return lists;
}

// A picture of `size` pixels for an icon the theme lacks: a page with its
// corner folded, or a folder, drawn so that a list never shows a hole.
TSurface DrawnIcon(bool folder, int size) {
  TSurface s(size, size);
  const int u = size / 16;
  const TPixel edge = folder ? PixelOf(0x9A, 0x7B, 0x2E, 255) : PixelOf(0x77, 0x77, 0x77, 255);
  const TPixel fill = folder ? PixelOf(0xF2, 0xC8, 0x5B, 255) : PixelOf(0xFA, 0xFA, 0xFA, 255);
  const int left = folder ? 1 * u : 3 * u, right = folder ? 15 * u : 13 * u;
  const int top = folder ? 4 * u : 1 * u, bottom = 14 * u;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) {
      const bool border = x == left || x == right - 1 || y == top || y == bottom - 1;
      s.SetPixel(x, y, border ? edge : fill);
    }
  if (folder)  // the tab
    for (int y = 2 * u; y < top; ++y)
      for (int x = left; x < 7 * u; ++x) s.SetPixel(x, y, edge);
  return s;
}

TSurface IconPicture(const String& name, bool folder, int size) {
  if (auto picture = ReadThemeIcon(name, size)) {
    if (picture->Width() == size && picture->Height() == size) return *picture;
  }
  return DrawnIcon(folder, size);
}

void AddPicture(HIMAGELIST list, const TSurface& picture) {
  HBITMAP bitmap = CreateSurfaceBitmap(picture);
  ImageList_Add(list, bitmap, nullptr);
  DeleteObject(bitmap);
}

// The index of the icon `name` in both lists, loading it on first use.
int IconIndex(const String& name, bool folder) {
  TShellLists& lists = Lists();
  if (lists.small == nullptr) {
    lists.small = ImageList_Create(kSmall, kSmall, ILC_COLOR32 | ILC_MASK, 16, 16);
    lists.large = ImageList_Create(kLarge, kLarge, ILC_COLOR32 | ILC_MASK, 16, 16);
    // The generic icon first and the folder second, so that they always exist.
    IconIndex(kGenericIcon, false);
    IconIndex(kFolderIcon, true);
  }
  auto known = lists.indexes.find(name);
  if (known != lists.indexes.end()) return known->second;
  const int index = ImageList_GetImageCount(lists.small);
  AddPicture(lists.small, IconPicture(name, folder, kSmall));
  AddPicture(lists.large, IconPicture(name, folder, kLarge));
  lists.indexes.emplace(name, index);
  return index;
}

// --- types ---------------------------------------------------------------------------------

struct TFileType {
  String icon;  // theme icon name; empty for the generic icon
  String name;
};

void FreeString(gchar* s) {
  g_free(s);
}
using TGString = std::unique_ptr<gchar, decltype(&FreeString)>;

TFileType FolderType() {
  TGString description(g_content_type_get_description("inode/directory"), &FreeString);
  return {kFolderIcon, description ? String(description.get()) : String("Folder")};
}

TFileType TypeOfName(const String& fileName) {
  TFileType type;
  gboolean uncertain = FALSE;
  TGString content(g_content_type_guess(fileName.c_str(), nullptr, 0, &uncertain), &FreeString);
  if (!content || g_content_type_is_unknown(content.get())) {
    // As the shell names a type it does not know: by its extension.
    const String ext = ExtractFileExt(fileName);
    type.name = ext.size() > 1 ? UpperCase(ext.substr(1)) + " File" : String("File");
    return type;
  }
  TGString description(g_content_type_get_description(content.get()), &FreeString);
  if (description) type.name = description.get();
  // The first of the type's icon names that the theme has, else its generic icon.
  if (GIcon* icon = g_content_type_get_icon(content.get())) {
    if (G_IS_THEMED_ICON(icon))
      for (const gchar* const* names = g_themed_icon_get_names(G_THEMED_ICON(icon));
           names && *names && type.icon.empty(); ++names)
        if (!FindThemeIcon(*names, kSmall).empty()) type.icon = *names;
    g_object_unref(icon);
  }
  if (type.icon.empty()) {
    TGString generic(g_content_type_get_generic_icon_name(content.get()), &FreeString);
    if (generic && !FindThemeIcon(generic.get(), kSmall).empty()) type.icon = generic.get();
  }
  return type;
}

void CopyText(char* out, std::size_t size, const String& text) {
  // Cut on a character boundary, so the field never ends in half a character.
  std::size_t n = std::min(text.size(), size - 1);
  while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

}  // namespace

DWORD_PTR SHGetFileInfoA(LPCSTR path, DWORD fileAttributes, SHFILEINFOA* info, UINT infoSize,
                         UINT flags) {
  const String name = path ? path : "";
  const bool wantList = (flags & SHGFI_SYSICONINDEX) != 0;
  const bool small = (flags & SHGFI_SMALLICON) != 0;
  IconIndex(kGenericIcon, false);  // makes the lists
  const HIMAGELIST list = small ? Lists().small : Lists().large;
  if (name.empty() && wantList && !(flags & SHGFI_TYPENAME)) {
    if (info && infoSize >= sizeof(SHFILEINFOA)) info->iIcon = 0;
    return reinterpret_cast<DWORD_PTR>(list);
  }
  if (info != nullptr && infoSize < sizeof(SHFILEINFOA)) return 0;

  bool folder = false;
  if (flags & SHGFI_USEFILEATTRIBUTES) {
    folder = (fileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  } else {
    folder = DirectoryExists(name);
    if (!folder && !FileExists(name)) return 0;
  }
  const TFileType type = folder ? FolderType() : TypeOfName(ExtractFileName(name));
  if (info != nullptr) {
    if (wantList)
      info->iIcon =
          type.icon.empty() ? IconIndex(kGenericIcon, false) : IconIndex(type.icon, folder);
    if (flags & SHGFI_TYPENAME) CopyText(info->szTypeName, sizeof(info->szTypeName), type.name);
  }
  return wantList ? reinterpret_cast<DWORD_PTR>(list) : 1;
}

void ReleaseShellImageLists() {
  TShellLists& lists = Lists();
  if (lists.small) ImageList_Destroy(lists.small);
  if (lists.large) ImageList_Destroy(lists.large);
  lists = TShellLists{};
}

// --- the icon theme ----------------------------------------------------------------------------

String FindThemeIcon(const String& name, int size) {
  if (name.empty()) return String();
  const String sizeFolder = IntToStr(size) + "x" + IntToStr(size);
  for (const String& data : DataFolders())
    for (const char* theme : kThemes)
      for (const char* context : kContexts) {
        const String base = data + "/icons/" + theme + "/" + sizeFolder + "/" + context + "/";
        if (IsFile(base + name + ".png")) return base + name + ".png";
        if (IsFile(base + name + "-symbolic.symbolic.png"))
          return base + name + "-symbolic.symbolic.png";
      }
  return String();
}

std::optional<TSurface> ReadThemeIcon(const String& name, int size) {
  const String file = FindThemeIcon(name, size);
  if (file.empty()) return std::nullopt;
  return ReadPng(file);
}

HBITMAP CreateSurfaceBitmap(const TSurface& picture) {
  auto bitmap = std::make_shared<TBitmapObject>(0, 0, false);
  *bitmap->surface = picture;
  bitmap->dib = true;
  gdi::Register(bitmap);
  return gdi::HandleOf<HBITMAP>(bitmap);
}
