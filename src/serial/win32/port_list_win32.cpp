// The serial ports on Windows: the values of the registry's serial map, whose
// data are the port names ("COM3"), with the USB identity that SetupAPI knows.
#include <windows.h>

#include <algorithm>
#include <array>
#include <map>
#include <string>
#include <vector>

#include "serial/port_list.h"
#include "serial/port_scan.h"
#include "serial/win32/registry_key.h"
#include "serial/win32/usb_ports_win32.h"

namespace trackctl {
namespace {

// The string data of every value of `key`. A value that is not a string, or
// whose name or data does not fit the buffers, is no port name and is skipped.
std::vector<std::string> StringValues(HKEY key) {
  std::vector<std::string> values;
  std::array<char, 16384> name{};  // the longest value name the registry allows
  std::array<BYTE, 256> data{};
  for (DWORD index = 0;; ++index) {
    DWORD nameSize = static_cast<DWORD>(name.size());
    DWORD dataSize = static_cast<DWORD>(data.size());
    DWORD type = 0;
    const LONG status = RegEnumValueA(key, index, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) break;  // ERROR_NO_MORE_ITEMS after the last value
    if (type != REG_SZ) continue;
    // The data need not end with a NUL; when they do, it is no part of the name.
    const auto end = data.begin() + std::min<DWORD>(dataSize, static_cast<DWORD>(data.size()));
    values.emplace_back(data.begin(), std::find(data.begin(), end, BYTE{0}));
  }
  return values;
}

// The registry's serial map; none when no port was ever found.
HKEY OpenSerialMap() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS) return nullptr;
  return key;
}

}  // namespace

std::vector<SerialPortEntry> ListSerialPorts() {
  const RegistryKey serialMap(OpenSerialMap());
  if (serialMap.get() == nullptr) return {};
  std::vector<SerialPortEntry> ports = ComPorts(StringValues(serialMap.get()));
  const std::map<std::string, UsbIdentity> identities = UsbIdentitiesByPortName();
  for (SerialPortEntry& port : ports) {
    if (const auto usb = identities.find(port.path); usb != identities.end()) port.usb = usb->second;
  }
  return ports;
}

}  // namespace trackctl
