#include "app/given_options.h"

#include <algorithm>

namespace trackctl {

std::optional<std::string> GivenOptions::Take(std::string_view name) {
  if (std::find(repeatable_.begin(), repeatable_.end(), name) != repeatable_.end()) return std::nullopt;
  if (std::find(given_.begin(), given_.end(), name) != given_.end()) {
    return "option " + std::string(name) + " is given twice";
  }
  given_.emplace_back(name);
  return std::nullopt;
}

}  // namespace trackctl
