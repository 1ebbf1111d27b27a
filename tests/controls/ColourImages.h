// tests/controls/ColourImages.h
//
// An image list of small pictures drawn in code, one per colour: a filled
// disc on the list's transparent colour, so that a test picture shows both
// where an image lies and that its background stays transparent.
#pragma once

#include <initializer_list>

#include "platform/controls/Graphics.h"
#include "platform/controls/ImageLists.h"

inline TImageList* ColourImages(TComponent* owner, std::initializer_list<TColor> colours) {
  auto* list = new TImageList(owner);
  for (TColor c : colours) {
    TBitmap picture;
    picture.SetSize(16, 16);
    TCanvas* canvas = picture.Canvas();
    canvas->Brush()->SetColor(clFuchsia);
    canvas->FillRect(RECT{0, 0, 16, 16});
    canvas->Brush()->SetColor(c);
    canvas->Pen()->SetColor(clBlack);
    canvas->Ellipse(2, 2, 14, 14);
    list->AddMasked(&picture, clFuchsia);
  }
  return list;
}
