// Reading a small input file whole.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trackctl {

enum class FileRead { kDone, kCannotOpen, kCannotRead };

// Reads the file `name` into `bytes`, binary.
FileRead ReadWholeFile(const std::string& name, std::vector<std::uint8_t>& bytes);

}  // namespace trackctl
