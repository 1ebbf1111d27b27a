// demo/DemoEdits.h
//
// A second demonstration window, built from the control layer: a plain
// edit, a pick edit with three buttons (find, clear, a hidden-text toggle)
// and a button that points a balloon at the pick edit, so the edits and the
// balloon can be tried by hand.
#pragma once

#include <memory>

#include "platform/rtl/Component.h"

class TEditsDemo {
 public:
  // Starts the control layer and shows the window at (x, y).
  TEditsDemo(int x, int y);
  // Frees the window and ends the control layer.
  ~TEditsDemo();
  TEditsDemo(const TEditsDemo&) = delete;
  TEditsDemo& operator=(const TEditsDemo&) = delete;

 private:
  std::unique_ptr<TComponent> owner_;
};
