// demo/DemoMenus.h
//
// A second demonstration window with the menus and bars of the main window
// to try by hand: a flat tool bar with images, hints, a drop-down button and
// buttons that run actions; a view-style popup menu (also on a right click
// anywhere on the window) with radio items; a drive combo box; a page
// control with images on its tabs and buttons on its pages. What the user
// does is written in a line at the bottom.
#pragma once

#include <memory>

class TComponent;

class TDemoMenus {
 public:
  // Starts the control layer and shows the window at (x, y).
  TDemoMenus(int x, int y);
  // Frees the window and ends the control layer.
  ~TDemoMenus();
  TDemoMenus(const TDemoMenus&) = delete;
  TDemoMenus& operator=(const TDemoMenus&) = delete;

 private:
  std::unique_ptr<TComponent> owner_;
};
