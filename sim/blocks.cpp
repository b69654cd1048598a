#include "sim/blocks.h"

namespace tracksim {
namespace {

void Number(Bytes& out, std::uint32_t value, int width) {
  for (int shift = 8 * (width - 1); shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

// A text longer than its field is cut to the field.
void Text(Bytes& out, const std::string& text, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) out.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
}

}  // namespace

Bytes EncodeConfigBlock(const ConfigBlock& c) {
  Bytes out;
  for (std::uint8_t byte : {c.gpsState, c.trackMode, c.trackStatus, c.units, c.signalStrength, c.sessionId}) {
    out.push_back(byte);
  }
  Number(out, c.featuresEnabled, 2);
  Number(out, c.deviceTimeWord, 2);
  Number(out, c.deviceDateWord, 2);
  Number(out, c.trackInterval, 3);
  Number(out, c.stopDelayThreshold, 2);
  for (std::uint8_t byte : {c.startDelayThreshold, c.startDistanceThreshold, c.ovSpdThreshold, c.overSpdDelayThreshold,
                            c.overSpdTrackInterval, c.accelThreshold, c.decelThreshold}) {
    out.push_back(byte);
  }
  Number(out, c.dataCallTime, 2);
  out.push_back(c.dataCallInterval);
  Number(out, c.dataCallTrackInterval, 3);
  out.push_back(c.errorCode);
  Text(out, c.smsc, 14);
  Number(out, static_cast<std::uint32_t>(c.cumulativeDistance), 4);
  Text(out, c.voiceNumber, 14);
  Text(out, c.version, 6);
  return out;
}

Bytes EncodeStatusBlock(const StatusBlock& s) {
  Bytes out{s.gsmType, s.gpsType};
  for (std::uint16_t word : {s.bootupTimeWord, s.bootupDateWord, s.loggerTimeWord, s.loggerDateWord,
                             s.codeUpgradeDateWord, s.codeReleaseDateWord}) {
    Number(out, word, 2);
  }
  Text(out, s.homeNumber, 14);
  return out;
}

}  // namespace tracksim
