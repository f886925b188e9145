#pragma once
// Message records and message methods of the window toolkit. Every message
// that the toolkit routes to an object travels as a tMessageRec. A class may
// declare handlers for single message numbers in a small table that also
// names its base class's table; dispatch() looks a handler up through that
// chain, own class first, so a derived class replaces a base handler by
// declaring one for the same number (and may still call the base one).
//
// A class with message methods declares, next to its handlers:
//
//   static const tMessageTable messages;
//   const tMessageTable& messageTable() const override { return messages; }
//  private:
//   static const tMessageMethod methods[];
//
// and defines both tables in its source file, the methods with callMethod.
#include <windows.h>

#include <span>

// One routed message. A handler that takes the message gives its answer
// with answer(); a message that no handler took (handled still false) gets
// the system's default processing.
struct tMessageRec {
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
  LRESULT result = 0;
  bool handled = false;

  void answer(LRESULT value) {
    result = value;
    handled = true;
  }
};

inline tMessageRec makeMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  return {msg, wParam, lParam};
}

class tObject;

// A handler for one message number.
struct tMessageMethod {
  UINT msg;
  void (*handler)(tObject& self, tMessageRec& rec);
};

// A class's message methods and its base class's table (null at the root).
struct tMessageTable {
  const tMessageTable* base;
  std::span<const tMessageMethod> methods;
};

// The handler entry for the member function Method of class C.
template <class C, void (C::*Method)(tMessageRec&)>
void callMethod(tObject& self, tMessageRec& rec) {
  (static_cast<C&>(self).*Method)(rec);
}

// The root of the toolkit's classes: a class table with no message methods.
class tObject {
public:
  tObject() = default;
  virtual ~tObject() = default;
  tObject(const tObject&) = delete;
  tObject& operator=(const tObject&) = delete;

  static const tMessageTable messages;
  virtual const tMessageTable& messageTable() const { return messages; }
};

// Calls the first handler for rec.msg found in the object's class or, failing
// that, in its base classes in turn. Without one, rec stays as it was.
void dispatch(tObject& object, tMessageRec& rec);
