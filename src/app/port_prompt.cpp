#include "app/port_prompt.h"

#include <cstdio>

#include "serial/open_port.h"
#include "serial/program_exit.h"

namespace trackctl {

std::unique_ptr<SerialPort> OpenComPort(Console& console) {
  std::printf("\nPLEASE ENTER COM PORTS BETWEEN COM1 AND COM20");
  std::printf("\nEnter the port Number: ");
  const int number = console.ReadInt();
  if (number < kFirstPort || number > kLastPort) {
    std::printf("\nThe specified COM port is not supported by our Application\nQuiting Application");
    EndProgram(1);
  }
  return OpenPort(PortPathForNumber(number));
}

}  // namespace trackctl
