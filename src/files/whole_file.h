// A file read whole into memory, e.g. a settings file or a firmware image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace trackctl {

struct FileError {
  enum class Step {
    kOpen,
    kRead,
    kNotRegular,  // a folder, device, FIFO or socket: not read at all
  };
  Step step;
  int number;  // errno; EFBIG for a file longer than allowed; 0 for kNotRegular
};

// Every byte of the file, as it is (binary mode), when it holds at most
// `maxBytes`; otherwise why not.
std::variant<std::vector<std::uint8_t>, FileError> ReadWholeFile(const std::string& name, std::size_t maxBytes);

// Why `name` (a link followed) is no regular file of at most `maxBytes`, found
// without reading more than a byte of it; nothing when it is one, or when it
// cannot be looked at (opening it then says why). A file of the system's that
// says it is empty but has bytes to read (/proc/self/pagemap) is no regular file.
std::optional<FileError> RegularFileProblem(const std::string& name, std::size_t maxBytes);

// ReadWholeFile of a regular file only: anything else is refused before it is
// opened, and one longer than `maxBytes` before a byte is read.
std::variant<std::vector<std::uint8_t>, FileError> ReadWholeRegularFile(const std::string& name,
                                                                       std::size_t maxBytes);

}  // namespace trackctl
