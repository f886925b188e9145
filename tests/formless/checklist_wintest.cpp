// The check-list box on a real window: what clicks, double clicks and the
// space bar do to its items, and what it draws, read back from its pixels.
#include "tests/driver/screenshot.h"
#include "tests/driver/uidriver.h"
#include "tests/formless/toolkit.h"

#include <set>

namespace toolkit {
namespace {

using uidriver::Picture;

class Checklist : public Toolkit {
protected:
  void SetUp() override {
    Toolkit::SetUp();
    box = &window->make<tChecklistBox>(makeBounds(10, 10, 260, 120));
    box->setItems({"Alpha", "B&eta", "Gamma"});
    box->onChange = [this] { ++changes; };
    window->createControls();
    drain();
  }

  RECT item(int i) const {
    RECT r = {};
    box->itemRect(i, r);
    return r;
  }
  // Posts a click (or a double click) at x inside item i, as the mouse would.
  void click(int i, int x, WPARAM keys = 0, bool twice = false) {
    RECT r = item(i);
    LPARAM at = MAKELPARAM(x, (r.top + r.bottom) / 2);
    PostMessageA(box->handle, WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
    PostMessageA(box->handle, WM_LBUTTONUP, keys, at);
    if (twice) {
      PostMessageA(box->handle, WM_LBUTTONDBLCLK, MK_LBUTTON | keys, at);
      PostMessageA(box->handle, WM_LBUTTONUP, keys, at);
    }
    drain();
  }
  std::vector<uint32_t> checks() const {
    return {box->checkState(0), box->checkState(1), box->checkState(2)};
  }
  // The check glyph of state as the system draws it, on the item's colour.
  Picture expectedGlyph(uint32_t state, COLORREF fill) const {
    return uidriver::checkGlyph(static_cast<int>(state), fill, checkWidth, checkHeight);
  }
  Picture glyphShown(int i) {
    RECT r = item(i);
    int top = r.top + (r.bottom - r.top - checkHeight) / 2;
    return uidriver::captureClient(box->handle).crop(r.left + 1, top, checkWidth, checkHeight);
  }

  tChecklistBox* box = nullptr;
  int changes = 0;
};

TEST_F(Checklist, AFreshBoxHasTwoStateUncheckedItemsAndSpaceTogglesTheFirst) {
  EXPECT_EQ(box->current, 0);
  EXPECT_EQ(box->selectedIndex(), -1);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(box->states.word(i), 1u) << i;
  PostMessageA(box->handle, WM_KEYDOWN, VK_SPACE, 0x00390001);
  drain();
  EXPECT_EQ(checks(), (std::vector<uint32_t>{1, 0, 0}));
  EXPECT_EQ(box->selectedIndex(), -1) << "space is not the list box's to handle";
  EXPECT_EQ(changes, 1);
}

TEST_F(Checklist, ClicksToggleInTheCheckColumnOnly) {
  struct Case {
    const char* what;
    int item;
    int x; // -1: the last pixel of the check column
    WPARAM keys;
    bool twice;
    std::vector<uint32_t> after;
  };
  const Case cases[] = {
      {"check column", 1, 2, 0, false, {0, 1, 0}},
      {"its last pixel", 1, -1, 0, false, {0, 0, 0}},
      {"the same item's column again", 1, 0, 0, false, {0, 1, 0}},
      {"the text", 2, 40, 0, false, {0, 1, 0}},
      {"with Shift", 0, 2, MK_SHIFT, false, {0, 1, 0}},
      {"with Ctrl", 0, 2, MK_CONTROL, false, {0, 1, 0}},
      {"double click on the text", 2, 40, 0, true, {0, 1, 1}},
      {"double click in the column", 0, 2, 0, true, {0, 1, 1}},
  };
  for (const Case& c : cases) {
    click(c.item, c.x < 0 ? checkWidth - 1 : c.x, c.keys, c.twice);
    EXPECT_EQ(checks(), c.after) << c.what;
    EXPECT_EQ(box->current, c.item) << c.what;
    EXPECT_FALSE(box->boxPressed) << c.what;
  }
}

TEST_F(Checklist, AClickBelowTheLastItemArmsNothing) {
  // In the check column under the last item: nothing is toggled then, nor by
  // the next selection change, by key or by a click on a text.
  RECT last = item(2);
  LPARAM below = MAKELPARAM(2, last.bottom + (last.bottom - last.top) / 2);
  PostMessageA(box->handle, WM_LBUTTONDOWN, MK_LBUTTON, below);
  PostMessageA(box->handle, WM_LBUTTONUP, 0, below);
  drain();
  EXPECT_FALSE(box->boxPressed);
  PostMessageA(box->handle, WM_KEYDOWN, VK_UP, 0x01480001);
  drain();
  click(0, 40);
  EXPECT_EQ(checks(), (std::vector<uint32_t>{0, 0, 0}));
  EXPECT_EQ(changes, 0);
}

TEST_F(Checklist, ThreeStateItemsCycleAndReloadResets) {
  box->setTwoState(0, 0);
  box->setInitialState(0, 2);
  std::vector<uint32_t> seen;
  for (int i = 0; i < 4; ++i) {
    PostMessageA(box->handle, WM_KEYDOWN, VK_SPACE, 0x00390001);
    drain();
    seen.push_back(box->checkState(0));
  }
  EXPECT_EQ(seen, (std::vector<uint32_t>{1, 2, 0, 1}));
  EXPECT_EQ(box->initialState(0), 2u) << "never changed by the box";
  box->setItems({"One", "Two"});
  EXPECT_EQ(box->states.word(0), 1u);
  EXPECT_EQ(SendMessageA(box->handle, LB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(box->current, 0) << "a reload keeps current";
}

TEST_F(Checklist, AToggleOutsideTheListChangesNothingButTellsTheOwner) {
  box->current = 3;
  box->toggleCurrent();
  EXPECT_EQ(checks(), (std::vector<uint32_t>{0, 0, 0}));
  EXPECT_EQ(changes, 1);
  RECT untouched = {1, 2, 3, 4};
  box->itemRect(3, untouched);
  EXPECT_EQ(untouched.left, 1);
}

TEST_F(Checklist, DrawsGlyphsHighlightFocusAndAmpersands) {
  box->setTwoState(2, 0);
  box->setCheckState(1, 1);
  box->setCheckState(2, 2);
  click(1, 40); // select item 1, no toggle
  box->repaint();
  drain();
  COLORREF window = GetSysColor(COLOR_WINDOW);
  COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
  EXPECT_EQ(glyphShown(0), expectedGlyph(0, window)) << "unchecked";
  EXPECT_EQ(glyphShown(1), expectedGlyph(1, highlight)) << "checked, selected";
  EXPECT_EQ(glyphShown(2), expectedGlyph(2, window)) << "greyed";
  EXPECT_NE(expectedGlyph(1, window), expectedGlyph(2, window));

  Picture shown = uidriver::captureClient(box->handle);
  RECT r0 = item(0), r1 = item(1);
  EXPECT_EQ(shown.colorAt(r0.right - 3, (r0.top + r0.bottom) / 2), window);
  EXPECT_EQ(shown.colorAt(r1.right - 3, (r1.top + r1.bottom) / 2), highlight);
  // The focus rectangle runs round the whole selected item: a dotted edge.
  auto colours = [&](int x0, int y0, int dx, int dy, int n) {
    std::set<uint32_t> seen;
    for (int i = 0; i < n; ++i)
      seen.insert(shown.at(x0 + i * dx, y0 + i * dy));
    return seen.size();
  };
  EXPECT_GT(colours(r1.left, r1.top, 1, 0, r1.right - r1.left), 1u) << "focus rectangle on top";
  EXPECT_GT(colours(r1.left, r1.top, 0, 1, r1.bottom - r1.top), 1u) << "and beside the glyph";
  EXPECT_EQ(colours(r0.left, r0.top, 1, 0, r0.right - r0.left), 1u) << "none on the others";

  // "B&eta" is drawn as it is written: the same pixels as the text drawn with
  // DT_NOPREFIX in the box's font, not those of an accelerator.
  auto text = [&](UINT flags) {
    uidriver::WindowDc dc(box->handle);
    HGDIOBJ old = SelectObject(dc.get(), HFONT(SendMessageA(box->handle, WM_GETFONT, 0, 0)));
    RECT t = {r1.left + checkWidth + 3, r1.top, r1.right, r1.bottom};
    FillRect(dc.get(), &t, OwnedBrush(CreateSolidBrush(highlight)).get());
    SetBkMode(dc.get(), TRANSPARENT);
    SetTextColor(dc.get(), GetSysColor(COLOR_HIGHLIGHTTEXT));
    DrawTextA(dc.get(), "B&eta", -1, &t, flags);
    SelectObject(dc.get(), old);
    return uidriver::captureClient(box->handle).crop(t.left, t.top + 1, 40, t.bottom - t.top - 2);
  };
  Picture drawn = shown.crop(r1.left + checkWidth + 3, r1.top + 1, 40, r1.bottom - r1.top - 2);
  EXPECT_EQ(drawn, text(DT_NOPREFIX));
  EXPECT_NE(drawn, text(0));
}

TEST_F(Checklist, AnEmptyBoxAskedForItemMinusOneDrawsAFocusedEmptyRow) {
  // What the system asks of an empty owner-drawn box that has the focus.
  box->setItems({});
  auto height = static_cast<LONG>(SendMessageA(box->handle, LB_GETITEMHEIGHT, 0, 0));
  {
    uidriver::WindowDc dc(box->handle);
    DRAWITEMSTRUCT item = {
        ODT_LISTBOX, UINT(box->id),           UINT(-1), ODA_FOCUS, ODS_FOCUS, box->handle,
        dc.get(),    RECT{0, 0, 120, height}, 0};
    EXPECT_EQ(SendMessageA(window->handle, WM_DRAWITEM, box->id, LPARAM(&item)), 1);
  }
  Picture shown = uidriver::captureClient(box->handle);
  int top = (height - checkHeight) / 2;
  EXPECT_EQ(shown.crop(1, top, checkWidth, checkHeight),
            expectedGlyph(0, GetSysColor(COLOR_WINDOW)));
  EXPECT_EQ(shown.colorAt(60, height / 2), GetSysColor(COLOR_WINDOW)) << "filled, no text";
  EXPECT_NE(shown.colorAt(1, 0), GetSysColor(COLOR_WINDOW)) << "the focus rectangle";
}

} // namespace
} // namespace toolkit
