// A sysfs tree of a test's own, laid out as the Linux kernel lays out its
// USB serial adapters, for the port list to find their USB identity in.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

namespace trackctl::testing {

// The attribute files of a USB device; an empty one is not written.
struct UsbAttributes {
  std::string idVendor;
  std::string idProduct;
  std::string serial;
  std::string manufacturer;
  std::string product;
};

// The driver behind a tty: a usb-serial driver (ttyUSB<n>) puts a port folder
// of its own between the interface and the tty; cdc-acm (ttyACM<n>) does not.
enum class TtyDriver { kUsbSerial, kAcm };

// Adds the USB device at hub port `busPort` ("1-2", "1-1.4") of the first root
// hub (whose own attributes say "1d6b:0002") and the tty `tty` on its
// interface 0:
//   devices/pci0000:00/0000:00:14.0/usb1/<busPort>/{idVendor,...}
//   devices/.../<busPort>/<busPort>:1.0[/<tty>]/tty/<tty>/device -> the interface or port folder
//   class/tty/<tty> -> ../../devices/.../tty/<tty>
// Each attribute file ends with a line end, as sysfs writes them.
inline void AddUsbTty(const std::filesystem::path& sys, const std::string& busPort, const std::string& tty,
                      const UsbAttributes& attributes, TtyDriver driver = TtyDriver::kUsbSerial) {
  namespace fs = std::filesystem;
  const fs::path hub = fs::path("devices") / "pci0000:00" / "0000:00:14.0" / "usb1";
  fs::create_directories(sys / hub);
  std::ofstream(sys / hub / "idVendor") << "1d6b\n";
  std::ofstream(sys / hub / "idProduct") << "0002\n";
  const fs::path device = hub / busPort;
  const fs::path interface = device / (busPort + ":1.0");
  const fs::path deviceFolder = driver == TtyDriver::kUsbSerial ? interface / tty : interface;
  const fs::path ttyFolder = deviceFolder / "tty" / tty;
  fs::create_directories(sys / ttyFolder);
  const auto write = [&](const char* name, const std::string& text) {
    if (!text.empty()) std::ofstream(sys / device / name) << text << "\n";
  };
  write("idVendor", attributes.idVendor);
  write("idProduct", attributes.idProduct);
  write("serial", attributes.serial);
  write("manufacturer", attributes.manufacturer);
  write("product", attributes.product);
  fs::create_symlink(fs::path("../../..") / deviceFolder.filename(), sys / ttyFolder / "device");
  fs::create_directories(sys / "class" / "tty");
  fs::create_symlink(fs::path("../..") / ttyFolder, sys / "class" / "tty" / tty);
}

}  // namespace trackctl::testing
