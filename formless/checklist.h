#pragma once
// tChecklistBox: a list of items with a check box in front of each, a system
// "Listbox" in owner-drawn mode whose items the toolkit paints itself. Each
// item carries a check state that the user changes with the mouse (a click in
// the check column, a double click anywhere) and the space bar, an initial
// state that the owner keeps for later comparison, and a flag that limits it
// to two states (formless/checkstate.h). The box owns its item texts: the
// owner fills it with setItems, which reloads it and resets every state.
#include "formless/checkstate.h"
#include "formless/component.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The size of one glyph of the system's check boxes; measured by
// measureCheckGlyph at the toolkit's start-up.
extern int checkWidth;
extern int checkHeight;
void measureCheckGlyph();

class tChecklistBox : public tComponent {
public:
  tChecklistBox(tOwner& owner, const tRect& bounds);

  // Replaces the items by these texts, one item each, every one unchecked and
  // two-state; reloads the list box.
  void setItems(std::vector<std::string> texts);
  int itemCount() const { return static_cast<int>(items_.size()); }
  // The item's text; empty for an index outside the list.
  std::string itemText(int index) const;

  // State accessors; an index outside the list reads 0 and writes nothing.
  // Setters do not repaint: the owner calls repaint when it is done.
  uint32_t checkState(int index) const { return states.checkState(index); }
  void setCheckState(int index, uint32_t state) { states.setCheckState(index, state); }
  uint32_t initialState(int index) const { return states.initialState(index); }
  void setInitialState(int index, uint32_t state) { states.setInitialState(index, state); }
  uint32_t isTwoState(int index) const { return states.isTwoState(index); }
  void setTwoState(int index, uint32_t flag) { states.setTwoState(index, flag); }

  // The list box's selection; -1 when none.
  int selectedIndex() const;
  // The item's rectangle; r is left alone for an index outside the list.
  void itemRect(int index, RECT& r) const;
  // Toggles the current item, redraws it at once and raises onChange.
  void toggleCurrent();
  // The check glyph of state in the item rectangle r.
  void drawCheck(HDC dc, const RECT& r, uint32_t state) const;

  static const tMessageTable messages;
  const tMessageTable& messageTable() const override { return messages; }

  CheckStates states;
  int32_t current = 0; // the item that the next toggle acts on
  std::function<void()> onChange;
  bool boxPressed = false; // a press in the check column waits for its selection change
  COLORREF background = 0; // colour of unselected items

private:
  // True when the client point x, y lies on an item, not below the last one.
  bool onItem(int x, int y) const;
  void reloadItems();
  std::vector<std::string> items_;
  void wmCtlColorListBox(tMessageRec& rec);
  void wmDrawItem(tMessageRec& rec);
  void wmCommand(tMessageRec& rec);
  void wmLButtonDown(tMessageRec& rec);
  void wmVKeyToItem(tMessageRec& rec);
  static const tMessageMethod methods[];
};
