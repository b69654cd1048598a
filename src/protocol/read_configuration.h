// Read configuration: asks the device for its configuration and status. The
// exchange and the reply's meaning are separate, so the records can be shown in
// several forms.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "protocol/config_record.h"
#include "protocol/outcome.h"
#include "protocol/session.h"

namespace trackctl {

struct ConfigReply {
  std::array<std::uint8_t, 1024> bytes{};  // zeroed: a reply that ends early reads as 0x00 after its end
  std::size_t length = 0;                  // bytes collected
  std::size_t announcedLength = 0;         // what the kind letter announced; 0 when nothing
  bool complete = false;                   // false: a FRAME_END came early and nothing followed it
};

// The records of a complete success reply. The kind letter says which blocks it
// carries: 'C' the configuration, 'D' the status, 'F' both; another letter neither.
struct ConfigReplyRecords {
  bool success = false;  // a complete "\xEAREADCONFIG_OK" reply; nothing else is filled otherwise
  ConfigRecord config;   // serialKey and kind always; the block's fields for 'C' and 'F'
  StatusRecord status;   // for 'D' and 'F'
};

inline constexpr bool CarriesConfigBlock(char kind) { return kind == 'C' || kind == 'F'; }
inline constexpr bool CarriesStatusBlock(char kind) { return kind == 'D' || kind == 'F'; }

// Sends the request with the clock's time and date and collects the reply.
ConfigReply ExchangeReadConfig(Session& session);

enum class ConfigReplyKind {
  kShort,        // it ended short of the length its kind letter announces
  kRecords,      // "\xEAREADCONFIG_OK" and the blocks its kind letter announces
  kDeviceError,  // an error text of the device ("\xEA" "ERROR...")
  kUnknown,      // anything else
};
ConfigReplyKind ClassifyConfigReply(const ConfigReply& reply);

ConfigReplyRecords DecodeConfigReply(const ConfigReply& reply);

// Done when the reply carried a block; refused otherwise.
Outcome ConfigReplyOutcome(const ConfigReply& reply);

}  // namespace trackctl
