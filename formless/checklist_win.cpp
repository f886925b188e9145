#include "formless/checklist.h"

#include <windowsx.h>

int checkWidth = 0;
int checkHeight = 0;

namespace {

// Not sorted, and the system trims the height to whole items.
constexpr DWORD listStyle = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP |
                            LBS_WANTKEYBOARDINPUT | LBS_HASSTRINGS | LBS_OWNERDRAWFIXED |
                            LBS_NOTIFY;
static_assert(listStyle == 0x50210451);

// The system bitmap of check-box glyphs (OBM_CHECKBOXES), a grid of 4 x 3.
constexpr WORD checkBoxesBitmap = 32759;

} // namespace

void measureCheckGlyph() {
  OwnedBitmap glyphs(LoadBitmapA(nullptr, MAKEINTRESOURCEA(checkBoxesBitmap)));
  BITMAP info = {};
  if (glyphs && GetObjectA(glyphs.get(), sizeof info, &info)) {
    checkWidth = info.bmWidth / 4;
    checkHeight = info.bmHeight / 3;
  }
}

const tMessageMethod tChecklistBox::methods[] = {
    {WM_CTLCOLORLISTBOX, callMethod<tChecklistBox, &tChecklistBox::wmCtlColorListBox>},
    {WM_DRAWITEM, callMethod<tChecklistBox, &tChecklistBox::wmDrawItem>},
    {WM_COMMAND, callMethod<tChecklistBox, &tChecklistBox::wmCommand>},
    {WM_LBUTTONDOWN, callMethod<tChecklistBox, &tChecklistBox::wmLButtonDown>},
    {WM_VKEYTOITEM, callMethod<tChecklistBox, &tChecklistBox::wmVKeyToItem>},
};
const tMessageTable tChecklistBox::messages{&tComponent::messages, tChecklistBox::methods};

tChecklistBox::tChecklistBox(tOwner& owner, const tRect& rect) : tComponent(owner, rect) {
  background = GetSysColor(COLOR_WINDOW);
  createControl(owner, WS_EX_CLIENTEDGE, "Listbox", nullptr, listStyle);
}

void tChecklistBox::setItems(std::vector<std::string> texts) {
  items_ = std::move(texts);
  reloadItems();
}

std::string tChecklistBox::itemText(int index) const {
  return index >= 0 && index < itemCount() ? items_[static_cast<size_t>(index)] : std::string();
}

int tChecklistBox::selectedIndex() const {
  return static_cast<int>(SendMessageA(handle, LB_GETCURSEL, 0, 0));
}

void tChecklistBox::itemRect(int index, RECT& r) const {
  if (states.contains(index))
    SendMessageA(handle, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
}

void tChecklistBox::toggleCurrent() {
  setCheckState(current, states.toggled(current));
  if (states.contains(current)) {
    // Redrawn at once, without erasing: the item paints its whole rectangle.
    RECT r = {};
    itemRect(current, r);
    InvalidateRect(handle, &r, FALSE);
    UpdateWindow(handle);
  }
  if (onChange) onChange();
}

void tChecklistBox::drawCheck(HDC dc, const RECT& r, uint32_t state) const {
  UINT look = state == 0 ? 0 : state == 1 ? DFCS_CHECKED : DFCS_CHECKED | DFCS_BUTTON3STATE;
  RECT glyph;
  glyph.left = r.left + 1;
  glyph.top = r.top + (r.bottom - r.top - checkHeight) / 2;
  glyph.right = glyph.left + checkWidth;
  glyph.bottom = glyph.top + checkHeight;
  DrawFrameControl(dc, &glyph, DFC_BUTTON, DFCS_BUTTONCHECK | look);
}

void tChecklistBox::reloadItems() {
  SendMessageA(handle, LB_RESETCONTENT, 0, 0);
  states.reset(itemCount());
  for (const std::string& text : items_)
    SendMessageA(handle, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  invalidate();
}

void tChecklistBox::wmCtlColorListBox(tMessageRec& rec) {
  // The list box paints no background of its own; only its items are painted.
  SetBkMode(reinterpret_cast<HDC>(rec.wParam), TRANSPARENT);
  rec.answer(reinterpret_cast<LRESULT>(owner->brush.get()));
}

void tChecklistBox::wmDrawItem(tMessageRec& rec) {
  // Every request redraws the whole item, whatever its action; an empty box
  // with the focus asks for item -1, which has no text and reads state 0.
  const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(rec.lParam);
  int index = static_cast<int>(item.itemID);
  bool selected = item.itemState & ODS_SELECTED;
  COLORREF fill = selected ? GetSysColor(COLOR_HIGHLIGHT) : background;
  COLORREF text = selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : GetSysColor(COLOR_WINDOWTEXT);

  OwnedBrush fillBrush(CreateSolidBrush(fill));
  FillRect(item.hDC, &item.rcItem, fillBrush.get());
  fillBrush.reset();
  COLORREF previous = SetTextColor(item.hDC, text);
  drawCheck(item.hDC, item.rcItem, checkState(index));
  RECT textRect = item.rcItem;
  textRect.left += checkWidth + 3;
  SetBkMode(item.hDC, TRANSPARENT);
  std::string caption = itemText(index);
  DrawTextA(item.hDC, caption.c_str(), -1, &textRect, DT_NOPREFIX);
  SetTextColor(item.hDC, previous);
  if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &item.rcItem);
  rec.answer(1);
}

void tChecklistBox::wmCommand(tMessageRec& rec) {
  switch (HIWORD(rec.wParam)) {
  case LBN_SELCHANGE:
    current = selectedIndex();
    if (boxPressed) toggleCurrent();
    boxPressed = false;
    break;
  case LBN_DBLCLK:
    toggleCurrent();
    break;
  default:
    break;
  }
  rec.answer(1);
}

void tChecklistBox::wmLButtonDown(tMessageRec& rec) {
  // A press in the check column of an item toggles the item that its
  // selection change makes current; the list box selects as usual either way.
  // A press below the last item arms nothing: no selection change answers it,
  // and the next one, however it came about, would tick an item never clicked.
  unsigned x = LOWORD(rec.lParam);
  if (x < static_cast<unsigned>(checkWidth) && !(rec.wParam & (MK_SHIFT | MK_CONTROL)))
    boxPressed = onItem(GET_X_LPARAM(rec.lParam), GET_Y_LPARAM(rec.lParam));
}

bool tChecklistBox::onItem(int x, int y) const {
  LRESULT hit = SendMessageA(handle, LB_ITEMFROMPOINT, 0, MAKELPARAM(x, y));
  RECT r = {};
  int index = LOWORD(hit);
  if (!states.contains(index)) return false;
  itemRect(index, r);
  POINT at = {x, y};
  return PtInRect(&r, at);
}

void tChecklistBox::wmVKeyToItem(tMessageRec& rec) {
  if (LOWORD(rec.wParam) != VK_SPACE) return; // the list box's own action
  toggleCurrent();
  rec.answer(-2); // the list box does nothing more
}
