#include "serial/win32/usb_ports_win32.h"

// Windows before the rest: setupapi.h and devguid.h build on it.
#include <windows.h>
//
#include <initguid.h>  // devguid.h then defines the class GUIDs here
//
#include <devguid.h>
#include <setupapi.h>

#include <algorithm>
#include <array>

#include "serial/win32/registry_key.h"

namespace trackctl {
namespace {

// The devices of a device information set, destroyed when it goes.
class DeviceInfoSet {
 public:
  explicit DeviceInfoSet(HDEVINFO set) : set_(set) {}
  ~DeviceInfoSet() {
    if (set_ != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set_);
  }
  DeviceInfoSet(const DeviceInfoSet&) = delete;
  DeviceInfoSet& operator=(const DeviceInfoSet&) = delete;
  HDEVINFO get() const { return set_; }

 private:
  HDEVINFO set_;
};

// `bytes` up to its first NUL: the first string of a REG_MULTI_SZ too.
template <std::size_t N>
std::string UpToNul(const std::array<char, N>& bytes, DWORD size) {
  const auto end = bytes.begin() + std::min<DWORD>(size, static_cast<DWORD>(N));
  return std::string(bytes.begin(), std::find(bytes.begin(), end, '\0'));
}

// A device's registry property as text; empty when it has none or it does not fit.
std::string Property(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
  std::array<char, 1024> data{};
  DWORD type = 0;
  DWORD size = 0;
  if (!SetupDiGetDeviceRegistryPropertyA(set, &device, property, &type, reinterpret_cast<BYTE*>(data.data()),
                                         static_cast<DWORD>(data.size()), &size)) {
    return {};
  }
  if (type != REG_SZ && type != REG_MULTI_SZ) return {};
  return UpToNul(data, size);
}

// The device's instance id; empty when it cannot be read.
std::string InstanceId(HDEVINFO set, SP_DEVINFO_DATA& device) {
  std::array<char, 256> id{};  // an instance id is at most 200 characters
  DWORD size = 0;
  if (!SetupDiGetDeviceInstanceIdA(set, &device, id.data(), static_cast<DWORD>(id.size()), &size)) return {};
  return UpToNul(id, static_cast<DWORD>(id.size()));
}

// The "PortName" value of the device's hardware key: "COM3"; empty when it has none.
std::string PortName(HDEVINFO set, SP_DEVINFO_DATA& device) {
  const RegistryKey key(SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ));
  if (key.get() == nullptr) return {};
  std::array<char, 256> name{};
  DWORD type = 0;
  DWORD size = static_cast<DWORD>(name.size());
  if (RegQueryValueExA(key.get(), "PortName", nullptr, &type, reinterpret_cast<BYTE*>(name.data()), &size) !=
          ERROR_SUCCESS ||
      type != REG_SZ) {
    return {};
  }
  return UpToNul(name, size);
}

}  // namespace

std::map<std::string, UsbIdentity> UsbIdentitiesByPortName() {
  std::map<std::string, UsbIdentity> identities;
  const DeviceInfoSet set(SetupDiGetClassDevsA(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT));
  if (set.get() == INVALID_HANDLE_VALUE) return identities;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof(device);
  for (DWORD index = 0; SetupDiEnumDeviceInfo(set.get(), index, &device); ++index) {
    const std::string port = PortName(set.get(), device);
    if (port.empty()) continue;
    const std::optional<UsbIdentity> usb = UsbIdentityFromSetupApi(
        {Property(set.get(), device, SPDRP_HARDWAREID), InstanceId(set.get(), device),
         Property(set.get(), device, SPDRP_MFG), Property(set.get(), device, SPDRP_DEVICEDESC)});
    if (usb) identities.emplace(port, *usb);
  }
  return identities;
}

}  // namespace trackctl
