// The serial ports on Linux: the entries of the device folder and of its
// serial/by-id folder, and for each on-board port a look at its UART.
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "serial/port_lines.h"
#include "serial/port_list.h"

namespace trackctl {
namespace {

namespace fs = std::filesystem;

// "/dev", or the folder that stands for it in tests.
std::string DeviceRoot() {
  const char* root = std::getenv("TRACKCTL_DEV_ROOT");
  return root != nullptr && *root != '\0' ? root : "/dev";
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

}  // namespace

std::vector<std::string> ListSerialPorts() {
  DeviceFolderScan scan;
  scan.root = DeviceRoot();
  const fs::path root(scan.root);
  scan.names = EntryNames(root);
  scan.byIdLinks = Links(root / "serial" / "by-id");
  for (const std::string& name : scan.names) {
    if (NeedsUartCheck(name) && HasUart(root / name)) scan.uartNames.push_back(name);
  }
  return DeviceFolderPortLines(scan);
}

}  // namespace trackctl
