#pragma once
// The window toolkit's centre: tProgram, at once the application object and
// its one top-level window; the two window procedures through which every
// message of that window and of its child controls passes; the routing of
// messages to the objects that handle them (by a control's window handle, or
// by its control identifier); the keyboard handling that a dialog manager
// would otherwise do (TAB focus cycling, Enter for the focused push button or
// else the default button, ESC for the cancel button, Alt+letter
// accelerators); and the polling modal loop.
//
// A program derives its window class from tProgram, creates one instance,
// assigns it to appWindow, creates the window, lets the instance create its
// controls (its createControls override ends by calling the base one), runs
// the loop and frees the instance, which frees its controls.
#include "formless/gdi.h"
#include "formless/message.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class tButton;
class tComponent;
class tGraphicComponent;

// Window styles of the top-level window.
constexpr DWORD defaultWindowStyle = 0x10CF0000; // WS_VISIBLE | WS_OVERLAPPEDWINDOW

// Button kinds that the keyboard presses (see tButton).
constexpr int cancelButton = 1;  // ESC
constexpr int defaultButton = 2; // Enter

class tProgram : public tObject {
public:
  // create: registers the window class className for instance.
  tProgram(std::string className, HINSTANCE instance);
  // createForModule: the same for the program's own module.
  explicit tProgram(std::string className);
  // Frees the components from the last to the first, then the graphics, then
  // destroys the window; appWindow is nil afterwards.
  ~tProgram() override;

  // Routes a message of the top-level window; notHandled when nobody took it.
  virtual LRESULT windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  // A derived program creates its components, then calls this one, which
  // makes the default font and the hollow brush, gives every control its
  // font and puts the focus on the first tab stop.
  virtual void createControls();
  // Deletes the font and the brush and unregisters the window class (which
  // fails, harmlessly, while the window exists).
  virtual void cleanup();

  // Creates the window (no ShowWindow: visibility comes from style) and
  // reads its client size.
  void createWindow(int left, int top, int width, int height, const std::string& caption);

  // A component of this window, owned by it from construction on. Components
  // join the window's lists themselves; this is the one place they are made.
  template <class T, class... Args> T& make(Args&&... args) {
    return *new T(*this, std::forward<Args>(args)...);
  }
  void addComponent(tComponent* component);    // takes ownership
  void addGraphic(tGraphicComponent* graphic); // takes ownership
  int componentCount() const { return static_cast<int>(components_.size()); }
  // The windowed component at index; null outside 0 .. count - 1.
  tComponent* componentAt(int index) const;
  int graphicCount() const { return static_cast<int>(graphics_.size()); }

  // Focuses the next (or previous) tab stop after fromIndex, wrapping round.
  void focusNext(int fromIndex, bool forward);
  // Presses the last-created button of this kind: 0, or 1 when there is none.
  int pressButton(int kind);
  // Presses this button, as a click does; 0.
  int press(const tButton& button);
  // Accelerators, then Enter and ESC, for a WM_CHAR of the window itself or
  // a WM_SYSCHAR of a control.
  void handleKeys(tMessageRec& rec);
  // Paints the graphics onto the window, then repaints the controls over them.
  LRESULT paintWindow();

  // Dispatches one queued message; without one, sleeps 50 ms and says false.
  bool processNextMessage();
  // Dispatches the whole queue, then sleeps once.
  void processMessages();
  // The modal loop: until quitFlag is set, processMessages; then cleanup.
  void run(bool exitAfter);

  OwnedFont font; // default font of the controls
  HINSTANCE instance = nullptr;
  HWND handle = nullptr;
  OwnedBrush brush; // hollow: returned to controls that paint transparently
  tComponent* focused = nullptr;
  DWORD style = defaultWindowStyle;
  std::function<void()> onResize;
  int clientWidth = 0;
  int clientHeight = 0;
  int frameWidth = 0;
  int frameHeight = 0;
  std::string className;
  WNDCLASSA windowClass = {};

private:
  std::vector<std::unique_ptr<tComponent>> components_;
  std::vector<std::unique_ptr<tGraphicComponent>> graphics_;
};

// Unit state.
extern tProgram* appWindow; // the one window object, or null
extern int nextId;          // identifier of the next component, from 1
extern int checkWidth;      // size of one glyph of the system's check boxes
extern int checkHeight;

// Unit start-up: clears the state above and quitFlag and measures the check
// glyph from the system's check-box bitmap.
void formlessStartup();

// Index in appWindow's components of the first one with this window handle,
// or of the first one with this control identifier; -1 when none.
int indexOfHandle(HWND hwnd);
int indexOfId(int id);

// The procedure of the top-level window's class, and the one that every
// windowed component installs on its control.
LRESULT CALLBACK classWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK componentWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// True when caption has a character after its first "&" and that character
// equals c, ignoring case by the user's locale.
bool isAccelerator(char c, const std::string& caption);
