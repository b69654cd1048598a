#include "app/console/port_prompt.h"

#include "app/program_exit.h"

namespace trackctl {

OpenedPort OpenComPort(ConsoleReport& say, Console& console, std::string& path) {
  say.Say("\nPLEASE ENTER COM PORTS BETWEEN COM1 AND COM20");
  say.Say("\nEnter the port Number: ");
  const int number = console.ReadInt();
  if (number < kFirstPort || number > kLastPort) {
    say.Say("\nThe specified COM port is not supported by our Application\nQuiting Application");
    EndProgram(1);
  }
  path = PortPathForNumber(number);
  return OpenPort(path);
}

}  // namespace trackctl
