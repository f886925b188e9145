#pragma once
// The user-interface services that portable code calls: the two message boxes
// through which every error and the final result reach the user, the message
// pumping that keeps the window alive during long work, and the two small
// interfaces through which work reports to its user and learns that the user
// asked it to stop. Declared here once; the window toolkit implements the
// services on Windows (formless/ui_win.cpp) and the host build has a stand-in
// that records what was shown (util/ui_posix.cpp, hooks in util/ui_posix.h).
// Programs link one of the two; no library here depends on either.
#include <string>

// Modal errorCaption box (error icon), owned by the window while it exists.
void errorBox(const std::string& text);
inline constexpr char errorCaption[] = "Install Error";
// Modal infoCaption box (information icon).
void infoBox(const std::string& text);
inline constexpr char infoCaption[] = "Installation Complete";

// The icon of a box that reports how a run ended.
enum class BoxIcon { information, warning };
// Modal box with its own caption, owned by the window while it exists. How a
// run ended when it did not simply complete.
void outcomeBox(const std::string& caption, const std::string& text, BoxIcon icon);

// Dispatches the messages waiting in the thread's queue and returns; it never
// waits for one. A caller in a tight loop calls it every few milliseconds,
// not every pass: each call asks the window system.
void pumpMessages();

// True once the user has closed the program's window (its close box, Alt+F4)
// while the program still runs: work in progress then starts nothing new.
bool windowClosed();

// The user's request that work in progress stop (Cancel, ESC, the close
// box). Only the user sets it: no message box and no end of work does. Work
// looks at it between its steps and starts no new one once it is set.
class tCancelRequest {
public:
  void request() { requested_ = true; }
  bool requested() const { return requested_; }

private:
  bool requested_ = false;
};

// Where work reports the errors it meets, one at a time as they happen: the
// installer's window shows each in an error box; work driven without a
// window keeps them. What the work did besides (a file written, a file
// removed) goes to note, which only a log keeps.
class tReporter {
public:
  virtual void error(const std::string& text) = 0;
  virtual void note(const std::string&) {}

protected:
  ~tReporter() = default;
};

// The reporter that shows every error with errorBox.
class tBoxReporter final : public tReporter {
public:
  void error(const std::string& text) override { errorBox(text); }
};
