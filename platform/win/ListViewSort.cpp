// platform/win/ListViewSort.cpp
//
// Ordering the list view's items by the program's comparison, and finding
// an item by its caption or lParam.
#include <algorithm>
#include <numeric>

#include "platform/rtl/StringUtils.h"
#include "platform/win/ListViewState.h"
#include "platform/win/Paint.h"
#include "platform/win/Window.h"

namespace listview {
namespace {

// A merge sort of positions that stays within its arrays whatever the
// comparison answers: the program's function need not be a consistent
// order, and a library sort may run off the ends when it is not.
template <class Less>
void MergeSort(std::vector<int>& order, Less less) {
  std::vector<int> merged(order.size());
  for (size_t width = 1; width < order.size(); width *= 2) {
    for (size_t left = 0; left < order.size(); left += 2 * width) {
      const size_t mid = std::min(left + width, order.size());
      const size_t right = std::min(left + 2 * width, order.size());
      size_t a = left, b = mid, out = left;
      // Takes from the right run only when it is strictly first: stable.
      while (a < mid && b < right)
        merged[out++] = less(order[b], order[a]) ? order[b++] : order[a++];
      while (a < mid) merged[out++] = order[a++];
      while (b < right) merged[out++] = order[b++];
    }
    order.swap(merged);
  }
}

}  // namespace

BOOL SortItems(HWND hwnd, TState& s, PFNLVCOMPARE compare, LPARAM data) {
  if (!compare) return FALSE;
  const size_t n = s.items.size();
  // The function sees copies of the lParams: it may ask the control for
  // texts while it compares, and nothing moves until it is done.
  std::vector<LPARAM> params(n);
  for (size_t i = 0; i < n; ++i) params[i] = s.items[i].lParam;
  std::vector<int> order(n);
  std::iota(order.begin(), order.end(), 0);
  MergeSort(order, [&](int a, int b) {
    return compare(params[static_cast<size_t>(a)], params[static_cast<size_t>(b)], data) < 0;
  });
  if (!IsWindow(hwnd) || StateOf(hwnd) != &s || s.items.size() != n) return FALSE;
  for (size_t i = 0; i < n; ++i)
    if (s.items[i].lParam != params[i]) return FALSE;  // changed under the sort

  std::vector<TItem> sorted;
  sorted.reserve(n);
  std::vector<int> placeOf(n);
  for (size_t i = 0; i < n; ++i) {
    placeOf[static_cast<size_t>(order[i])] = static_cast<int>(i);
    sorted.push_back(std::move(s.items[static_cast<size_t>(order[i])]));
  }
  s.items = std::move(sorted);
  if (s.focused >= 0) s.focused = placeOf[static_cast<size_t>(s.focused)];
  if (s.mark >= 0) s.mark = placeOf[static_cast<size_t>(s.mark)];
  if (s.edit) s.editItem = placeOf[static_cast<size_t>(s.editItem)];
  InvalidateRect(hwnd, nullptr, TRUE);
  return TRUE;
}

int FindItem(HWND hwnd, const TState& s, int start, const LVFINDINFOA& find) {
  const int n = static_cast<int>(s.items.size());
  if (n == 0 || start >= n || start < -1) return -1;
  const bool byText = (find.flags & (LVFI_STRING | LVFI_PARTIAL)) != 0;
  if (!(find.flags & LVFI_PARAM) && (!byText || !find.psz)) return -1;
  const std::string_view wanted = find.psz ? std::string_view(find.psz) : std::string_view();
  const bool partial = (find.flags & LVFI_PARTIAL) != 0;
  std::string caption;
  const int from = start + 1;
  for (int step = 0; step < n; ++step) {
    int i = from + step;
    if (i >= n) {
      if (!(find.flags & LVFI_WRAP)) break;
      i -= n;
    }
    const TItem& item = s.items[static_cast<size_t>(i)];
    if ((find.flags & LVFI_PARAM) && item.lParam != find.lParam) continue;
    if (byText) {
      ItemTextInto(hwnd, s, i, 0, caption);
      const std::string_view head =
          partial ? std::string_view(caption).substr(0, wanted.size()) : std::string_view(caption);
      // Ignoring case as the user's language has it; a partial match looks
      // at as many bytes as the wanted text has.
      if (!AnsiSameText(head, wanted)) continue;
    }
    return i;
  }
  return -1;
}

}  // namespace listview
