// platform/win/ImageList.h
//
// Image lists: rows of same-sized images, each with an optional mask
// (ILC_MASK) or its own alpha, drawn into DCs. Every later control (tree
// and list views, tool buttons, tabs) draws its pictures from these.
//
// An image whose pixels carry alpha (a picture loaded from a PNG file) is
// blended over the destination; other images are drawn through their mask:
// transparent where the mask is set, unless the list has a background
// colour and the drawing does not ask for ILD_TRANSPARENT.
//
// Threads: GUI thread only.
#pragma once

#include "platform/win/Gdi.h"
#include "platform/win/WinTypes.h"

constexpr UINT ILC_MASK = 0x0001;
constexpr UINT ILC_COLOR = 0x0000;
constexpr UINT ILC_COLORDDB = 0x00FE;
constexpr UINT ILC_COLOR4 = 0x0004;
constexpr UINT ILC_COLOR8 = 0x0008;
constexpr UINT ILC_COLOR16 = 0x0010;
constexpr UINT ILC_COLOR24 = 0x0018;
constexpr UINT ILC_COLOR32 = 0x0020;

constexpr UINT ILD_NORMAL = 0x0000;
constexpr UINT ILD_TRANSPARENT = 0x0001;
constexpr UINT ILD_BLEND25 = 0x0002;
constexpr UINT ILD_FOCUS = ILD_BLEND25;
constexpr UINT ILD_BLEND50 = 0x0004;
constexpr UINT ILD_SELECTED = ILD_BLEND50;
constexpr UINT ILD_BLEND = ILD_BLEND50;
constexpr UINT ILD_MASK = 0x0010;
constexpr UINT ILD_IMAGE = 0x0020;

// `initial` and `grow` are accepted for the interface; the list grows as needed.
HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow);
BOOL ImageList_Destroy(HIMAGELIST list);
// A copy with the same images and settings.
HIMAGELIST ImageList_Duplicate(HIMAGELIST list);
int ImageList_GetImageCount(HIMAGELIST list);
BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy);
// Changes the size of the images and removes them all.
BOOL ImageList_SetIconSize(HIMAGELIST list, int cx, int cy);

// Adds the images of a bitmap as wide as a number of images, left to right
// (a bitmap narrower than one image adds one, the rest transparent);
// `mask`, a bitmap of the same size, is white where the images are
// transparent. Returns the index of the first image added, -1 on failure.
int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask);
// As ImageList_Add with the mask made from the pixels of colour `maskColor`
// (CLR_DEFAULT: the colour of the top-left pixel), which become black in
// the stored image.
int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF maskColor);
BOOL ImageList_Replace(HIMAGELIST list, int index, HBITMAP image, HBITMAP mask);
// index -1 appends. Returns the index of the image, -1 on failure.
int ImageList_ReplaceIcon(HIMAGELIST list, int index, HICON icon);
inline int ImageList_AddIcon(HIMAGELIST list, HICON icon) {
  return ImageList_ReplaceIcon(list, -1, icon);
}
// index -1 removes every image.
BOOL ImageList_Remove(HIMAGELIST list, int index);

// CLR_NONE (the initial value): masked images draw transparently.
COLORREF ImageList_SetBkColor(HIMAGELIST list, COLORREF color);
COLORREF ImageList_GetBkColor(HIMAGELIST list);

// ILD_SELECTED (ILD_BLEND50) and ILD_FOCUS (ILD_BLEND25) tint the image
// with the highlight colour; ILD_MASK draws the mask in black and white.
BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style);
// Draws with a given background (CLR_NONE: transparent, CLR_DEFAULT: the
// list's) and blend colour (CLR_DEFAULT: the highlight colour); dx and dy
// crop the image (0: whole).
BOOL ImageList_DrawEx(HIMAGELIST list, int index, HDC dc, int x, int y, int dx, int dy,
                      COLORREF background, COLORREF foreground, UINT style);
// An icon of the image and its mask; the caller destroys it (DestroyIcon).
HICON ImageList_GetIcon(HIMAGELIST list, int index, UINT flags);

// --- Dragging an image ----------------------------------------------------------
//
// One drag image at a time, for the whole program: ImageList_BeginDrag takes
// a copy of an image with its hot spot; ImageList_DragEnter shows it over a
// window (what lies under the image is saved and put back as it moves),
// ImageList_DragMove moves it, ImageList_DragShowNolock hides or shows it
// (so the window can change what it shows, e.g. the drop highlight, without
// trails: the window's pending painting is done before the image is drawn
// again), ImageList_DragLeave takes it off the window and ImageList_EndDrag
// ends the drag. Coordinates are relative to the window's top-left corner
// (its whole window rectangle).

// `dxHotspot`, `dyHotspot`: the point of the image that follows the pointer.
BOOL ImageList_BeginDrag(HIMAGELIST list, int index, int dxHotspot, int dyHotspot);
BOOL ImageList_DragEnter(HWND lock, int x, int y);
BOOL ImageList_DragMove(int x, int y);
BOOL ImageList_DragShowNolock(BOOL show);
BOOL ImageList_DragLeave(HWND lock);
void ImageList_EndDrag();
// The drag image list (its one image) and where it is drawn, for those who
// draw it themselves; nullptr when no drag is on. `pt` gets the position,
// `hotspot` the hot spot.
HIMAGELIST ImageList_GetDragImage(POINT* pt, POINT* hotspot);
