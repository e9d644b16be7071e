#pragma once

// What the Windows serial backend shares between its files: the port HANDLE behind a C runtime
// descriptor, the names ports were opened as (for error lines), and a per-thread event for
// overlapped I/O.

#include <windows.h>

#include <string>

namespace korvane::windows {

// The HANDLE behind a descriptor from _open_osfhandle; INVALID_HANDLE_VALUE for none.
HANDLE portHandle(int fd);

void rememberPortName(int fd, const std::string& name);
void forgetPortName(int fd);
// The name the port was opened as; empty when unknown.
std::string portName(int fd);

enum class IoKind { Read, Write };
// A manual-reset event of the calling thread for one kind of overlapped call, reset and ready.
HANDLE ioEvent(IoKind kind);

// The system's text for an error code, without the trailing line break.
std::string errorText(DWORD code);

}  // namespace korvane::windows
