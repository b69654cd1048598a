// The command line: any arguments. Input bytes are split at NUL into arguments.
// Whatever the parse gives must hold together: a refusal names its problem in
// one line without control characters; a command carries only what that command
// takes, each option once, and no name that is refused.
#include <string>
#include <vector>

#include "app/device/command_line.h"
#include "fuzz/fuzz_support.h"

using namespace trackctl;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> words(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      words.emplace_back();
    } else {
      words.back() += static_cast<char>(data[i]);
    }
  }
  std::vector<const char*> args;
  for (const std::string& word : words) args.push_back(word.c_str());
  const CommandLine line = ParseCommandLine(args);

  using Action = CommandLine::Action;
  if (line.action == Action::kRefuse) {
    FUZZ_CHECK(line.error.starts_with("trackctl: "));
    for (const char c : line.error) FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
    return 0;
  }
  FUZZ_CHECK(line.error.empty());
  if (line.port) {
    const PortChoice& port = *line.port;
    FUZZ_CHECK(port.number == 0 ? !port.name.empty() : port.number >= 1 && port.number <= 20 && port.name.empty());
  }
  if (line.action != Action::kCommand) {
    FUZZ_CHECK(!line.json || line.action == Action::kHelp || line.action == Action::kVersion);
    return 0;
  }
  const DeviceCommand& command = line.command;
  FUZZ_CHECK(command.row != nullptr && !command.row->word.empty() && command.row->run != nullptr);
  const DeviceCommandRow& row = *command.row;
  FUZZ_CHECK(!line.json || row.json);
  FUZZ_CHECK(row.arguments == CommandArguments::kKey ? command.key.size() == 10 : command.key.empty());
  FUZZ_CHECK(!command.outputFile || row.option == "-o");
  FUZZ_CHECK(!command.configFile || row.option == "-c");
  FUZZ_CHECK(!command.image || row.arguments == CommandArguments::kOptionalImage);
  // The refusals of names: a key that cannot name a file, an empty image, output to "-".
  FUZZ_CHECK(command.key.find_first_of("/\\:*?\"<>|") == std::string::npos);
  FUZZ_CHECK(!command.image || !command.image->empty());
  FUZZ_CHECK(!command.outputFile || (!command.outputFile->empty() && *command.outputFile != "-"));
  // Each option at most once: a port, -o and -c given twice are refused.
  int ports = 0, outputs = 0, configs = 0;
  for (std::size_t i = 0; i < words.size() && words[i] != "--" && words[i] != "export"; ++i) {
    const std::string& word = words[i];
    ports += word == "-p" || word == "--port" || word.starts_with("--port=") || word.starts_with("-p");
    outputs += word == "-o";
    configs += word == "-c";
    if (word == "-p" || word == "--port" || word == "-o" || word == "-c") ++i;  // its value
  }
  FUZZ_CHECK(ports <= 1 && outputs <= 1 && configs <= 1);
  FUZZ_CHECK(command.sector == Sector::kSms || row.arguments == CommandArguments::kSector);
  return 0;
}
