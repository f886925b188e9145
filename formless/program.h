#pragma once
// The window toolkit's centre: tProgram, at once the application object and
// its one top-level window; the procedure through which every message of
// that window passes, and the routing of those messages to the objects that
// handle them (by a control's window handle, or by its control identifier);
// and the polling modal loop. The keys that a dialog manager would otherwise
// handle are formless/keyboard.h's, applied to the window's components.
//
// A program derives its window class from tProgram, creates one instance and
// opens it (open, or openModal, which also runs the loop): the instance
// becomes appWindow, its window is created and it creates its controls (its
// createControls override ends by calling the base one). Freeing the instance
// frees its controls.
#include "formless/component.h"
#include "formless/gdi.h"
#include "formless/image.h"
#include "formless/keyboard.h"
#include "formless/message.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

// Window styles of the top-level window: the toolkit's default, and a fixed
// size with a title bar and a close box, no minimise or maximise box and no
// sizing border.
constexpr DWORD defaultWindowStyle = WS_VISIBLE | WS_OVERLAPPEDWINDOW;
static_assert(defaultWindowStyle == 0x10CF0000);
constexpr DWORD dialogWindowStyle = WS_VISIBLE | WS_DLGFRAME | WS_SYSMENU;
static_assert(dialogWindowStyle == 0x10480000);

class tProgram : public tOwner {
public:
  // create: registers the window class className for instance.
  tProgram(std::string className, HINSTANCE instance);
  // createForModule: the same for the program's own module.
  explicit tProgram(std::string className);
  // Frees the components from the last to the first, then the graphics, then
  // destroys the window; appWindow is nil afterwards.
  ~tProgram() override;

  // Routes a message of the top-level window: a notification to the control
  // whose handle it carries, an owner-draw request to the control whose
  // identifier it carries, a character to the dialog keys, anything else to
  // this object. rec.handled stays false when nobody took it.
  virtual void windowProc(tMessageRec& rec);
  // A derived program creates its components, then calls this one, which
  // makes the default font and the hollow brush, gives every control its
  // font and puts the focus on the first tab stop.
  virtual void createControls();
  // Deletes the font and the brush and unregisters the window class (which
  // fails, harmlessly, while the window exists).
  virtual void cleanup();

  // The start of every program's window: makes this object appWindow, takes
  // windowStyle, creates the window at frame (its outer position and size)
  // with caption, and lets the object create its controls.
  void open(const tRect& frame, const std::string& caption, DWORD windowStyle = defaultWindowStyle);
  // open, then the modal loop until it is ended, then cleanup.
  void openModal(const tRect& frame, const std::string& caption, DWORD windowStyle);

  // Creates the window (no ShowWindow: visibility comes from style) and
  // reads its client size.
  void createWindow(int left, int top, int width, int height, const std::string& caption);

  // A component of this window, owned by it from construction on: windowed
  // ones join the window's components, windowless ones its graphics, each
  // list in creation order. This is the one place components are made.
  template <class T, class... Args> T& make(Args&&... args) {
    auto made = std::make_unique<T>(*this, std::forward<Args>(args)...);
    T& component = *made;
    if constexpr (std::is_base_of_v<tGraphicComponent, T>)
      graphics_.push_back(std::move(made));
    else
      components_.push_back(std::move(made));
    return component;
  }
  int componentCount() const { return static_cast<int>(components_.size()); }
  // The windowed component at index; null outside 0 .. count - 1.
  tComponent* componentAt(int index) const;
  int graphicCount() const { return static_cast<int>(graphics_.size()); }

  // The dialog keys of one of the window's controls.
  void controlKey(const tComponent& control, tMessageRec& rec) override;
  // Paints the graphics onto the window, then repaints the controls over them.
  LRESULT paintWindow();

  // Dispatches the whole queue (pumpMessages), then sleeps once.
  void processMessages();
  // The modal loop: until endLoop (or cancel), processMessages; then cleanup.
  void run(bool exitAfter);

  OwnedFont font; // default font of the controls
  DWORD style = defaultWindowStyle;
  std::function<void()> onResize;
  int clientWidth = 0;
  int clientHeight = 0;
  int frameWidth = 0;
  int frameHeight = 0;
  std::string className;
  WNDCLASSA windowClass = {};

private:
  // The component of this window whose control hwnd is; null for any other.
  tComponent* ownComponent(HWND hwnd) const;

  std::vector<std::unique_ptr<tComponent>> components_;
  std::vector<std::unique_ptr<tGraphicComponent>> graphics_;
};

// The one window object, or null. All message routing goes through it.
extern tProgram* appWindow;

// Unit start-up: clears appWindow and measures the check glyph.
void formlessStartup();

// The procedure of the top-level window's class.
LRESULT CALLBACK classWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
