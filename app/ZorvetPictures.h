// app/ZorvetPictures.h
//
// The pictures of the catalogue's three image lists, from the icon theme
// where it has a fitting icon and drawn here where it has not (the tree
// buttons, and the marks that turn a disc into "scan this disc" or "delete
// this disc"). A missing theme icon is drawn too, so every index exists.
//
// ImList, 16 by 16: the tree's nodes, the list views and the page tabs.
//   0 open folder (a selected folder)   1 folder          2 CD (CDFS disc)
//   3 document                          4 search (tab)    5 files (tab)
//   6 picture  7 music  8 film  9 archive (file kinds)
//   10 other disc (UDF, a mapped folder)                  11 selected disc
// ImActList, 16 by 16: the actions and tool buttons.
//   0 view styles  1 large icons  2 list  3 delete disc  4 search
//   5 small icons  6 go to folder  7 report  8 refresh  9 settings
//   10 disc  11 drive  12 scan disc  13 comments  14 open tray  15 close tray
//   16 expand all  17 collapse node  18 expand node  19 collapse all
// ImInfoList, 32 by 32: 0 a disc whose files exceed its capacity, 1 a disc.
#pragma once

#include "platform/win/Surface.h"

class TImageList;

namespace zorvet_pictures {

// The tree-list indexes the program names.
enum TImIndex : int {
  imOpenFolder = 0,
  imFolder = 1,
  imCdDisc = 2,
  imSearchTab = 4,
  imFilesTab = 5,
  imOtherDisc = 10,
  imSelectedDisc = 11,
};
// The action-list indexes the program names.
enum TActIndex : int {
  actViewStyle = 0,
  actDeleteDisc = 3,
  actScanDisc = 12,
  actOpenTray = 14,
  actCloseTray = 15,
  actFullExpand = 16,
  actNodeCollapse = 17,
  actNodeExpand = 18,
  actFullCollapse = 19,
};
inline constexpr int kImListCount = 12;
inline constexpr int kImActListCount = 20;

// The pictures one by one (for looking at them).
TSurface TreePicture(int index);
TSurface ActionPicture(int index);
TSurface InfoPicture(int index);

}  // namespace zorvet_pictures

// Fills the three lists (emptied first); ImInfoList must be 32 by 32.
void LoadZorvetPictures(TImageList* imList, TImageList* imActList, TImageList* imInfoList);
