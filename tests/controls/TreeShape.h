// tests/controls/TreeShape.h
//
// A tree's nodes as text, for comparing whole trees in one expectation:
// each node's text, siblings apart by a blank, children in brackets
// ("A(B(C D)) E").
#pragma once

#include "platform/controls/TreeView.h"

inline String TreeShape(TTreeNode* first) {
  String s;
  for (TTreeNode* n = first; n; n = n->GetNextSibling()) {
    if (!s.empty()) s += " ";
    s += n->Text();
    if (n->getFirstChild()) s += "(" + TreeShape(n->getFirstChild()) + ")";
  }
  return s;
}

inline String TreeShape(TCustomTreeView* tree) {
  return TreeShape(tree->Items()->GetFirstNode());
}
