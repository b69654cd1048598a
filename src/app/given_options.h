// The one rule for options given more than once, on every command line of
// trackctl: an option takes one value, so a second one is a usage error naming
// the option rather than a value silently taken; only an option that gathers
// its values (export's --device) may come again.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trackctl {

class GivenOptions {
 public:
  // `repeatable`: the options that may be given any number of times.
  explicit GivenOptions(std::initializer_list<std::string_view> repeatable = {})
      : repeatable_(repeatable.begin(), repeatable.end()) {}

  // Notes that `name` is given (the option's one name for all its spellings:
  // "--port" for -p too); the refusal's text when it was given before.
  std::optional<std::string> Take(std::string_view name);

 private:
  std::vector<std::string> repeatable_;
  std::vector<std::string> given_;
};

}  // namespace trackctl
