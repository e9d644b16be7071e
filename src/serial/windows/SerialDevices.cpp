#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "serial/DevicePath.h"

namespace korvane::serial {

namespace {

// "COM<n>" with n from 1 to 255, else 0.
int portNumber(const std::string& name) {
  if (name.size() < 4 || name.size() > 6 || _strnicmp(name.c_str(), "COM", 3) != 0) return 0;
  for (size_t i = 3; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return 0;
  }
  int number = std::atoi(name.c_str() + 3);
  return number >= 1 && number <= 255 ? number : 0;
}

// The ports the system has now: the values of HKLM\HARDWARE\DEVICEMAP\SERIALCOMM, where every
// serial driver (USB CDC, FTDI, CH340 ...) enters the port it made.
std::vector<std::string> systemPorts() {
  std::vector<std::string> ports;
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return ports;
  }
  for (DWORD i = 0;; ++i) {
    char name[256];
    char data[64];
    DWORD nameSize = sizeof name;
    DWORD dataSize = sizeof data - 1;
    DWORD type = 0;
    LONG result = RegEnumValueA(key, i, name, &nameSize, nullptr, &type,
                                reinterpret_cast<BYTE*>(data), &dataSize);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS || type != REG_SZ) continue;
    data[dataSize] = '\0';
    if (portNumber(data) != 0) ports.emplace_back(data);
  }
  RegCloseKey(key);
  return ports;
}

// A folder standing in for the system's list: its entries named COM<n>.
std::vector<std::string> portsNamedIn(const std::string& folder) {
  std::vector<std::string> ports;
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((folder + "\\COM*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return ports;
  do {
    if (portNumber(entry.cFileName) != 0) ports.emplace_back(entry.cFileName);
  } while (FindNextFileA(search, &entry));
  FindClose(search);
  return ports;
}

}  // namespace

std::vector<std::string> listDevices(const std::string& location) {
  std::vector<std::string> ports = location == "/dev" ? systemPorts() : portsNamedIn(location);
  std::sort(ports.begin(), ports.end(), [](const std::string& a, const std::string& b) {
    return portNumber(a) < portNumber(b);
  });
  ports.erase(std::unique(ports.begin(), ports.end()), ports.end());
  return ports;
}

std::string fallbackDevice(Fallback, int second) {
  return second ? "COM2" : "COM1";
}

}  // namespace korvane::serial
