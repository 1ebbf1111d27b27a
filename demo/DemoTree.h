// demo/DemoTree.h
//
// The drag-and-drop trees of the demonstration, in a form of their own.
#pragma once

// Starts the control layer when nothing has yet, and shows the form at (x, y).
void ShowDemoTree(int x, int y);
// Frees the form, and ends the control layer when ShowDemoTree started it
// (before the display goes).
void CloseDemoTree();
