// platform/controls/ImageLists.cpp
#include "platform/controls/ImageLists.h"

#include "platform/win/ImageList.h"

TCustomImageList::TCustomImageList(TComponent* owner) : TComponent(owner) {}

TCustomImageList::~TCustomImageList() {
  FreeHandle();
}

void TCustomImageList::FreeHandle() {
  if (handle_ && !share_images_) ImageList_Destroy(handle_);
  handle_ = nullptr;
}

void TCustomImageList::Change() {
  if (OnChange) OnChange(this);
}

void TCustomImageList::SetWidth(Integer value) {
  if (value == width_ || value <= 0) return;
  width_ = value;
  if (handle_) ImageList_SetIconSize(handle_, width_, height_);
  Change();
}

void TCustomImageList::SetHeight(Integer value) {
  if (value == height_ || value <= 0) return;
  height_ = value;
  if (handle_) ImageList_SetIconSize(handle_, width_, height_);
  Change();
}

void TCustomImageList::SetBkColor(TColor value) {
  bk_color_ = value;
  if (handle_) ImageList_SetBkColor(handle_, value == clNone ? CLR_NONE : ColorToRGB(value));
  Change();
}

HIMAGELIST TCustomImageList::Handle() {
  if (!handle_) {
    handle_ = ImageList_Create(width_, height_, ILC_COLOR32 | (masked_ ? ILC_MASK : 0), 4, 4);
    if (bk_color_ != clNone) ImageList_SetBkColor(handle_, ColorToRGB(bk_color_));
  }
  return handle_;
}

void TCustomImageList::SetHandle(HIMAGELIST list) {
  if (list == handle_) return;
  FreeHandle();
  handle_ = list;
  if (list) {
    int cx = 0, cy = 0;
    ImageList_GetIconSize(list, &cx, &cy);
    width_ = cx;
    height_ = cy;
  }
  Change();
}

Integer TCustomImageList::Count() {
  return handle_ ? ImageList_GetImageCount(handle_) : 0;
}

Integer TCustomImageList::Add(TBitmap* image, TBitmap* mask) {
  if (!image || image->Empty()) return -1;
  const Integer index = ImageList_Add(Handle(), image->Handle(), mask ? mask->Handle() : nullptr);
  Change();
  return index;
}

Integer TCustomImageList::AddMasked(TBitmap* image, TColor maskColor) {
  if (!image || image->Empty()) return -1;
  const COLORREF key = maskColor == clDefault ? CLR_DEFAULT : ColorToRGB(maskColor);
  const Integer index = ImageList_AddMasked(Handle(), image->Handle(), key);
  Change();
  return index;
}

void TCustomImageList::Delete(Integer index) {
  if (!handle_ || index < 0 || index >= Count()) return;
  ImageList_Remove(handle_, index);
  Change();
}

void TCustomImageList::Clear() {
  if (!handle_) return;
  ImageList_Remove(handle_, -1);
  Change();
}

void TCustomImageList::Draw(TCanvas* canvas, Integer x, Integer y, Integer index, bool enabled) {
  if (!handle_ || index < 0 || index >= Count()) return;
  HDC dc = canvas->Handle();
  if (enabled)
    ImageList_Draw(handle_, index, dc, x, y, ILD_NORMAL);
  else
    ImageList_DrawEx(handle_, index, dc, x, y, 0, 0, CLR_NONE, ColorToRGB(clBtnFace), ILD_BLEND50);
}

void TCustomImageList::GetBitmap(Integer index, TBitmap* image) {
  if (!image || !handle_ || index < 0 || index >= Count()) return;
  image->SetSize(width_, height_);
  TCanvas* c = image->Canvas();
  c->Brush()->SetColor(bk_color_ == clNone ? clWhite : bk_color_);
  c->FillRect(RECT{0, 0, width_, height_});
  ImageList_Draw(handle_, index, c->Handle(), 0, 0, ILD_NORMAL);
}
