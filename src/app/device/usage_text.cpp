#include "app/device/usage_text.h"

#include "app/device/device_commands.h"
#include "export/export_formats.h"

namespace trackctl {
namespace {

// The usage text: the names of the export formats between its first two parts,
// the commands' lines between the last two.
constexpr const char* kUsageToFormats =
    "usage: trackctl [-p PORT]                   the menu\n"
    "       trackctl [-p PORT] [--timeout S] [-q] [--json] COMMAND\n"
    "                                            one command, then exit\n"
    "       trackctl export [--format ";
constexpr const char* kUsageFromFormats =
    "] [-o OUT]\n"
    "                       [--utc-offset +HH:MM] [--split-gap MINUTES] FILE...\n"
    "       trackctl export --archive DB [--device KEY]... [--since T] [--until T]\n"
    "                       [--format F] [--split-gap MINUTES] -o OUT\n"
    "       trackctl import [--archive DB] [--utc-offset +HH:MM] FILE...\n"
    "       trackctl archive [--archive DB] [--json]\n"
    "       trackctl --list-ports [--json] | --help | --version\n"
    "\n"
    "Service console for a GPS/GSM tracking device on a serial port: read its\n"
    "configuration, download and erase its logger sectors, start and stop\n"
    "tracking with the settings of config15.dat, upload firmware, write its\n"
    "serial key. Without a command it asks for a port number (unless -p gives\n"
    "the port), wakes the device and shows a numbered menu.\n"
    "\n"
    "Commands (each opens the port, wakes the device, runs, and exits):\n";
constexpr const char* kUsageEnd =
    "\n"
    "export turns logger files into GPX (the default), KML, GeoJSON, CSV or an SVG\n"
    "picture, one track per file, without opening a port; OUT is FILE with the\n"
    "format's extension unless -o names it (- is standard output). Logger times\n"
    "are the device's local time: --utc-offset gives its offset from UTC, else\n"
    "this machine's zone is used.\n"
    "A new segment starts where points are more than --split-gap minutes apart\n"
    "(default 10). Status 0, 1 when a line was not a logger line (the rest is\n"
    "written), 2 when a file cannot be read or written or an argument is refused.\n"
    "\n"
    "The archive (DB: --archive, else TRACKCTL_ARCHIVE, else tracks.gpkg here) is\n"
    "a GeoPackage that GIS programs open as a point layer 'records'. import puts\n"
    "logger files into it, one transaction each, every record once (same device,\n"
    "sector and logger columns); its summary says read / new / already archived /\n"
    "not valid. archive lists per device the records, first and last UTC time,\n"
    "downloads and the last known version and type. export --archive writes one\n"
    "track per device (--device again for more devices), T a UTC date\n"
    "(YYYY-MM-DD, the whole day) or a time with its zone (YYYY-MM-DDThh:mm:ssZ,\n"
    "or +HH:MM or -HH:MM instead of Z); a time without one is refused.\n"
    "A file that is no archive of trackctl, or of a newer one, is refused with\n"
    "status 2 and left as it is.\n"
    "\n"
    "Options:\n"
    "  -p, --port PORT  the port: a number 1-20 as the menu's answer, a device\n"
    "                   name (/dev/ttyUSB0, /dev/serial/by-id/..., COM23), or\n"
    "                   usb:SERIAL, the USB adapter with that serial number (or\n"
    "                   the only one whose serial number starts with it).\n"
    "                   Commands use port 1 without it.\n"
    "  --json           info and read-config print one JSON object; every other\n"
    "                   message goes to standard error; --list-ports one JSON array\n"
    "  --timeout S      the longest silence of the device while a reply is due,\n"
    "                   in seconds (0: wait for ever); commands default to 30 and\n"
    "                   give up after 5 s when the device does not wake up; the\n"
    "                   menu waits for ever unless it is given\n"
    "  -q, --quiet      no progress bar on a terminal\n"
    "  --list-ports     print the serial ports present, one a line, a USB adapter's\n"
    "                   with its vendor:product id, serial number, maker and product\n"
    "  -h, --help       print this text and exit\n"
    "  --version        print the version and exit\n"
    "\n"
    "Ports: on Windows port n is COMn. On Linux port n is the path in the\n"
    "environment variable TRACKCTL_COM<n> when set (TRACKCTL_COM1=/dev/ttyUSB0),\n"
    "otherwise /dev/ttyS<n-1>.\n"
    "\n"
    "Exit status: 0 the device accepted and every file is complete; 1 the port\n"
    "failed or the device did not answer the handshake; 2 a usage error (nothing\n"
    "is sent); 3 the device refused or answered something unexpected; 4 a local\n"
    "file problem (config15.dat or the image missing or unreadable, a logger file\n"
    "that exists already or could not be written whole). The menu ends with 0.\n"
    "\n"
    "Scripted menu: when standard input is not a terminal, each answer is one\n"
    "line (a key press is an empty line) and the end of the input exits, e.g.\n"
    "  printf '1\\n1\\n\\n0\\n' | trackctl     port 1, read configuration, exit\n"
    "\n"
    "Trace: when TRACKCTL_TRACE names a file, every byte sent to the device (>>)\n"
    "and received from it (<<) is appended to that file as timestamped hex and\n"
    "ASCII lines.\n";

}  // namespace

std::string UsageText() {
  std::string text = kUsageToFormats + ExportFormatNames("|", "|") + kUsageFromFormats;
  for (const DeviceCommandRow& row : DeviceCommands()) text += row.usage;
  return text + kUsageEnd;
}

std::string VersionText() { return std::string("trackctl ") + TRACKCTL_VERSION + "\n"; }

}  // namespace trackctl
