// The serial ports on Linux: the entries of the device folder and of its
// serial/by-id folder, for each on-board port a look at its UART, and for each
// port the USB device that sysfs puts above it.
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "serial/port_list.h"
#include "serial/port_scan.h"

namespace trackctl {
namespace {

namespace fs = std::filesystem;

// The value of the variable `name` when it is set and not empty, else `otherwise`.
std::string RootFolder(const char* name, const char* otherwise) {
  const char* root = std::getenv(name);
  return root != nullptr && *root != '\0' ? root : otherwise;
}

// The names in `folder`; none when it cannot be read.
std::vector<std::string> EntryNames(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    names.push_back(it->path().filename().string());
  }
  return names;
}

// The symbolic links in `folder` with their link texts.
std::vector<SerialLink> Links(const fs::path& folder) {
  std::vector<SerialLink> links;
  for (const std::string& name : EntryNames(folder)) {
    std::error_code error;
    const fs::path target = fs::read_symlink(folder / name, error);
    if (!error) links.push_back({name, target.string()});
  }
  return links;
}

// An open file descriptor, closed when it goes.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Whether the driver reports a UART behind the port. A port that another
// program holds for exclusive use (EBUSY) has one: one without a UART cannot be
// opened at all.
bool HasUart(const fs::path& path) {
  const Descriptor port(open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (port.get() < 0) return errno == EBUSY;
  serial_struct info{};
  return ioctl(port.get(), TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
}

// At most the first 512 bytes of a sysfs attribute file (a USB string is at
// most 126 UTF-16 units); empty when it cannot be read.
std::string AttributeText(const fs::path& file) {
  std::array<char, 512> text{};
  std::ifstream in(file, std::ios::binary);
  in.read(text.data(), text.size());
  return std::string(text.data(), static_cast<std::size_t>(in.gcount()));
}

// How many folders the walk from a tty's device up to its USB device looks at;
// sysfs puts a USB device a few folders above it, a hub's ports add one each.
constexpr int kUsbFolderSteps = 16;

// The USB device above the tty `name`: the nearest folder above its device
// (the tty's own included) that has idVendor and idProduct, inside `sys`.
std::optional<UsbIdentity> UsbIdentityOf(const fs::path& sys, const std::string& name) {
  std::error_code error;
  const fs::path root = fs::canonical(sys, error);
  if (error) return std::nullopt;
  fs::path folder = fs::canonical(sys / "class" / "tty" / name / "device", error);
  if (error) return std::nullopt;
  for (int step = 0; step < kUsbFolderSteps && folder != root && folder.string().starts_with(root.string() + "/");
       ++step, folder = folder.parent_path()) {
    if (!fs::is_regular_file(folder / "idVendor", error) || !fs::is_regular_file(folder / "idProduct", error)) continue;
    return UsbIdentityFromAttributes({AttributeText(folder / "idVendor"), AttributeText(folder / "idProduct"),
                                      AttributeText(folder / "serial"), AttributeText(folder / "manufacturer"),
                                      AttributeText(folder / "product")});
  }
  return std::nullopt;
}

}  // namespace

std::vector<SerialPortEntry> ListSerialPorts() {
  DeviceFolderScan scan;
  scan.root = RootFolder("TRACKCTL_DEV_ROOT", "/dev");
  const fs::path root(scan.root);
  scan.names = EntryNames(root);
  scan.byIdLinks = Links(root / "serial" / "by-id");
  for (const std::string& name : scan.names) {
    if (NeedsUartCheck(name) && HasUart(root / name)) scan.uartNames.push_back(name);
  }
  std::vector<SerialPortEntry> ports = DeviceFolderPorts(scan);
  const fs::path sys = RootFolder("TRACKCTL_SYS_ROOT", "/sys");
  for (SerialPortEntry& port : ports) port.usb = UsbIdentityOf(sys, fs::path(port.path).filename().string());
  return ports;
}

}  // namespace trackctl
