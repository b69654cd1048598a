// trackctl: service console for a GPS/GSM tracking device on a serial port.
#include <cstdio>
#include <exception>

#include "app/main_menu.h"
#include "app/process_setup.h"
#include "app/stream_console.h"
#include "app/system_clock.h"
#include "protocol/handshake.h"
#include "serial/open_port.h"
#include "serial/program_exit.h"

int main() {
  using namespace trackctl;
  PrepareProcess();
  try {
    StreamConsole console(MakeTerminal());
    const std::unique_ptr<SerialPort> port = OpenComPort(console);
    SystemClock clock;
    RandomGenerator random;
    Session session{*port, console, clock, random};

    std::printf("Initializing Device : Started...");
    if (!InitializeDevice(session)) {
      std::printf("Failure in Device Initialization...\nQuiting Application...\nTry Again...");
      EndProgram(1);
    }
    std::printf("\nInitializing Device : Done...\n");
    RunMainMenu(session);
  } catch (const ProgramExit& exit) {
    std::fflush(stdout);
    return exit.status;
  } catch (const std::exception& error) {
    std::fflush(stdout);
    std::fprintf(stderr, "\ntrackctl: %s\n", error.what());
    return 1;
  }
}
