// Where a file that the user names on the command line is written: a regular
// file (or a name not yet taken) is replaced whole, a link is followed to what
// it leads to, a device, FIFO or socket is written as it is, and a name of one
// of this process's descriptors is written at the descriptor's position: none
// of these is ever replaced.
#pragma once

#include <string>

namespace trackctl {

struct OutputPlace {
  enum class Kind {
    kFile,            // `path` is a regular file, or nothing yet: replaced whole
    kStream,          // `path` is a character device, FIFO or socket: written directly
    kDescriptor,      // `descriptor` of this process: "/dev/stdout", "/dev/fd/N", "/proc/self/fd/N"
    kFolder,          // `path` is a folder, or the name ends in a folder separator
    kStandardOutput,  // the name "-"
    kLinkLoop,        // the links lead round in a circle, or too far
  };
  Kind kind = Kind::kFile;
  std::string path;     // where the links lead; the name as given when it is no link
  int descriptor = -1;  // kDescriptor
};

// Links are followed, a dangling one too: kFile then names the file it would
// lead to, which is created in that folder. A name, or a link on the way, that
// names a descriptor gives kDescriptor, whatever the descriptor leads to.
OutputPlace PlaceOf(const std::string& name);

}  // namespace trackctl
