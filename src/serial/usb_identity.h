// What a USB serial adapter says about itself, read from the texts in which
// each platform keeps it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace trackctl {

struct UsbIdentity {
  std::string vendorId;      // four lowercase hex digits: "0403"
  std::string productId;     // "6001"
  std::string serialNumber;  // empty when the adapter has none
  std::string manufacturer;  // empty when unknown
  std::string product;       // empty when unknown
};

// The attribute files of a Linux USB device folder as read, each of them
// possibly with its line end; an absent file is an empty text.
struct UsbAttributeTexts {
  std::string idVendor;
  std::string idProduct;
  std::string serial;
  std::string manufacturer;
  std::string product;
};

// What SetupAPI tells of a device on Windows.
struct SetupApiTexts {
  std::string hardwareId;    // the first hardware id: "USB\VID_0403&PID_6001&REV_0600"
  std::string instanceId;    // "USB\VID_0403&PID_6001\A12345", "FTDIBUS\VID_0403+PID_6001+A12345A\0000"
  std::string manufacturer;  // SPDRP_MFG
  std::string description;   // SPDRP_DEVICEDESC
};

// The identity when idVendor and idProduct each hold four hex digits; none
// otherwise. Each text counts up to its first line end, without the spaces at
// its end; control characters in it become '?'.
std::optional<UsbIdentity> UsbIdentityFromAttributes(const UsbAttributeTexts& texts);

// The identity when the hardware id holds VID_ and PID_ with four hex digits
// each; none otherwise (a port on the main board, say). The serial number is
// the instance id's last part when that is letters and digits only (a
// composite device's interface has a made-up one, which is left out); an
// FTDI driver's instance id carries it after "PID_xxxx+", as the driver
// writes it (with the channel's letter at its end).
std::optional<UsbIdentity> UsbIdentityFromSetupApi(const SetupApiTexts& texts);

}  // namespace trackctl
