// An open registry key, closed when it goes.
#pragma once

#include <windows.h>

namespace trackctl {

class RegistryKey {
 public:
  // Takes `key` over; null or INVALID_HANDLE_VALUE for none.
  explicit RegistryKey(HKEY key) : key_(key == reinterpret_cast<HKEY>(INVALID_HANDLE_VALUE) ? nullptr : key) {}
  ~RegistryKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

}  // namespace trackctl
