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
//
// It also holds the program's load configuration.
#include <cstddef>
#include <cstdlib>
#include <new>

#include <windows.h>

// The load configuration, which Windows reads as the loader maps the
// program: its dependent-load flags have the loader resolve the program's
// static imports (VERSION.dll and the rest) from the system folder alone, so a
// library of the same name planted beside setup.exe is never loaded. The
// structure ends before the table of exception handlers, which the program
// does not declare; in the 32-bit program that is 64 bytes, the one size
// older Windows versions accept there. The linker keeps the structure (-u)
// and tools/loadconfig points the program's headers at it.
constexpr IMAGE_LOAD_CONFIG_DIRECTORY loadConfiguration() {
  IMAGE_LOAD_CONFIG_DIRECTORY config{};
  config.Size = offsetof(IMAGE_LOAD_CONFIG_DIRECTORY, SEHandlerTable);
  config.Reserved1 = LOAD_LIBRARY_SEARCH_SYSTEM32; // DependentLoadFlags in newer headers
  return config;
}
extern "C" const IMAGE_LOAD_CONFIG_DIRECTORY _load_config_used = loadConfiguration();

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
