#pragma once
// Owners of the kernel handles the program opens (Windows only). The system
// marks a failed open in two ways: OpenProcess and CreateProcessA give null,
// CreateToolhelp32Snapshot gives INVALID_HANDLE_VALUE; both are closed with
// CloseHandle.
#include "util/handle.h"

#include <windows.h>

struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle empty() { return nullptr; }
  static void close(Handle handle) { CloseHandle(handle); }
};

struct SnapshotHandleTraits {
  using Handle = HANDLE;
  static Handle empty() { return INVALID_HANDLE_VALUE; }
  static void close(Handle handle) { CloseHandle(handle); }
};

// A process or thread handle; empty when null.
using OwnedKernelHandle = UniqueHandle<KernelHandleTraits>;
// A tool-help snapshot; empty when INVALID_HANDLE_VALUE.
using OwnedSnapshot = UniqueHandle<SnapshotHandleTraits>;
// A file or folder opened with CreateFileA, which also marks a failure with
// INVALID_HANDLE_VALUE.
using OwnedFileHandle = UniqueHandle<SnapshotHandleTraits>;
