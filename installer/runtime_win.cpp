// The C++ run-time hooks of the shipped program. It is built without
// exceptions: nothing in it catches one, and the exception machinery (the
// unwinder, the exception classes with their strings, the name demangler of
// the default terminate handler) would be most of the program's code.
//
// The standard library's headers still name a few routines that throw (a
// string grown past its maximum, an out-of-range position, an empty
// function called, an allocation that fails). They are defined here to end
// the program the way an uncaught exception ends it, so the library's
// throwing versions are never linked. The global allocation functions are
// replaced (the language allows it) for the same reason.
#include <cstdlib>
#include <new>

namespace {

[[noreturn]] void fail() {
  std::abort();
}

void* allocate(std::size_t size) noexcept {
  return std::malloc(size ? size : 1); // every allocation gets its own address
}

} // namespace

void* operator new(std::size_t size) {
  void* p = allocate(size);
  if (!p) fail();
  return p;
}
void* operator new[](std::size_t size) {
  return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return allocate(size);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}

namespace std {
void __throw_bad_alloc() {
  fail();
}
void __throw_bad_array_new_length() {
  fail();
}
void __throw_length_error(const char*) {
  fail();
}
void __throw_logic_error(const char*) {
  fail();
}
void __throw_out_of_range(const char*) {
  fail();
}
void __throw_out_of_range_fmt(const char*, ...) {
  fail();
}
void __throw_invalid_argument(const char*) {
  fail();
}
void __throw_bad_function_call() {
  fail();
}
} // namespace std

extern "C" void __cxa_throw_bad_array_new_length() {
  fail();
}
