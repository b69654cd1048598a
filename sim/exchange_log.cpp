#include "sim/exchange_log.h"

#include <algorithm>

namespace tracksim {
namespace {

constexpr std::uint8_t kFrameStart = 0xEA;

bool TokenCharacter(std::uint8_t c) { return (c >= 'A' && c <= 'Z') || c == '_' || c == '-'; }

// The frame's token: the letters, '_' and '-' after FRAME_START, up to the
// first "OK", "ERROR" or "ACK" word: "\xEAREADCONFIG_OK_ABC..." is READCONFIG_OK.
std::string FrameToken(const Bytes& bytes, std::size_t start) {
  std::string token;
  std::string word;
  for (std::size_t i = start + 1; i < bytes.size() && TokenCharacter(bytes[i]); ++i) {
    const char c = static_cast<char>(bytes[i]);
    token += c;
    word = c == '_' || c == '-' ? "" : word + c;
    if (word == "OK" || word == "ERROR" || word == "ACK") break;
  }
  while (token.ends_with('_')) token.pop_back();
  return token.empty() ? "frame" : token;
}

std::string Hex(const Bytes& bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (const std::uint8_t byte : bytes) {
    if (!text.empty()) text += ' ';
    text += kHex[byte >> 4];
    text += kHex[byte & 0x0F];
  }
  return text;
}

std::string Printable(std::string_view text) {
  std::string out;
  for (const char c : text) out += c >= ' ' && c < 0x7F ? c : '.';
  return out;
}

}  // namespace

std::string ExchangeLine(std::string_view request, const Actions& answer) {
  Bytes sent;
  bool hangUp = false;
  for (const Action& action : answer) {
    if (action.kind == Action::Kind::kHangUp) hangUp = true;
    if (action.kind == Action::Kind::kSend) sent.insert(sent.end(), action.bytes.begin(), action.bytes.end());
  }
  const auto start = std::find(sent.begin(), sent.end(), kFrameStart);
  std::string reply =
      start != sent.end() ? FrameToken(sent, static_cast<std::size_t>(start - sent.begin())) : Hex(sent);
  std::string name = Printable(request);
  while (name.ends_with('_')) name.pop_back();  // "READCONFIG_" is READCONFIG
  std::string line = "tracksim: " + name + " -> " + (reply.empty() ? "(no answer)" : reply);
  if (hangUp) line += ", then hangs up";
  return line;
}

}  // namespace tracksim
