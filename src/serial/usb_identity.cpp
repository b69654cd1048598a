#include "serial/usb_identity.h"

#include <algorithm>
#include <cctype>

namespace trackctl {
namespace {

bool IsHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }
bool IsAlphanumeric(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

// `text` up to its first line end, the spaces at its end dropped, its control
// characters shown as '?' so that a line that shows it stays one line.
std::string CleanText(std::string_view text) {
  text = text.substr(0, text.find_first_of("\r\n"));
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  std::string clean(text);
  std::replace_if(clean.begin(), clean.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }, '?');
  return clean;
}

// Four hex digits in lower case; none when `text` is anything else.
std::optional<std::string> UsbId(std::string_view text) {
  if (text.size() != 4 || !std::all_of(text.begin(), text.end(), IsHex)) return std::nullopt;
  std::string id(text);
  std::transform(id.begin(), id.end(), id.begin(), [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
  return id;
}

// `text` in upper case, for finding the parts of a Windows id.
std::string Upper(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); });
  return upper;
}

// The four hex digits after `key` ("VID_") in `id`.
std::optional<std::string> IdAfter(std::string_view id, std::string_view key) {
  const std::string upper = Upper(id);
  const std::size_t at = upper.find(key);
  if (at == std::string::npos) return std::nullopt;
  return UsbId(id.substr(at + key.size(), 4));
}

// The serial number in a device instance id; empty when it holds none.
std::string InstanceSerial(std::string_view instanceId) {
  const std::string upper = Upper(instanceId);
  std::string_view serial;
  if (upper.starts_with("FTDIBUS\\")) {
    // FTDIBUS\VID_0403+PID_6001+A12345A\0000
    const std::size_t pid = upper.find("PID_");
    if (pid == std::string::npos || pid + 9 > instanceId.size() || instanceId[pid + 8] != '+') return {};
    serial = instanceId.substr(pid + 9);
    serial = serial.substr(0, serial.find_first_of("\\+"));
  } else {
    // USB\VID_0403&PID_6001\A12345
    const std::size_t last = instanceId.rfind('\\');
    if (last == std::string_view::npos) return {};
    serial = instanceId.substr(last + 1);
  }
  if (!std::all_of(serial.begin(), serial.end(), IsAlphanumeric)) return {};
  return std::string(serial);
}

}  // namespace

std::optional<UsbIdentity> UsbIdentityFromAttributes(const UsbAttributeTexts& texts) {
  const std::optional<std::string> vendor = UsbId(CleanText(texts.idVendor));
  const std::optional<std::string> product = UsbId(CleanText(texts.idProduct));
  if (!vendor || !product) return std::nullopt;
  return UsbIdentity{*vendor, *product, CleanText(texts.serial), CleanText(texts.manufacturer), CleanText(texts.product)};
}

std::optional<UsbIdentity> UsbIdentityFromSetupApi(const SetupApiTexts& texts) {
  const std::optional<std::string> vendor = IdAfter(texts.hardwareId, "VID_");
  const std::optional<std::string> product = IdAfter(texts.hardwareId, "PID_");
  if (!vendor || !product) return std::nullopt;
  return UsbIdentity{*vendor, *product, CleanText(InstanceSerial(texts.instanceId)), CleanText(texts.manufacturer),
                     CleanText(texts.description)};
}

}  // namespace trackctl
