// The serial ports on Windows: the values of the registry's serial map, whose
// data are the port names ("COM3").
#include <windows.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "serial/port_lines.h"
#include "serial/port_list.h"

namespace trackctl {
namespace {

// An open registry key, closed when it goes.
class RegistryKey {
 public:
  explicit RegistryKey(const char* path) {
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key_) != ERROR_SUCCESS) key_ = nullptr;
  }
  ~RegistryKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

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

}  // namespace

std::vector<std::string> ListSerialPorts() {
  const RegistryKey serialMap("HARDWARE\\DEVICEMAP\\SERIALCOMM");
  if (serialMap.get() == nullptr) return {};  // no key: no port was ever found
  return ComPortLines(StringValues(serialMap.get()));
}

}  // namespace trackctl
