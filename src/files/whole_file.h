// A file read whole into memory, e.g. a settings file or a firmware image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace trackctl {

struct FileError {
  enum class Step { kOpen, kRead };
  Step step;
  int number;  // errno; EFBIG for a file longer than allowed
};

// Every byte of the file, as it is (binary mode), when it holds at most
// `maxBytes`; otherwise why not.
std::variant<std::vector<std::uint8_t>, FileError> ReadWholeFile(const std::string& name, std::size_t maxBytes);

}  // namespace trackctl
