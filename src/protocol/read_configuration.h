// Read configuration (menu choice 1): asks the device for its configuration and
// status. The exchange, the reply's records and its console text are separate,
// so the records can also be shown in other forms.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

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

// The records of a complete success reply, as its kind letter says: 'C' the
// configuration, 'D' the status, 'F' both. Neither for any other reply.
struct ConfigReplyRecords {
  std::optional<ConfigRecord> config;
  std::optional<StatusRecord> status;
};

// Sends the request with the clock's time and date and collects the reply. Prints nothing.
ConfigReply ExchangeReadConfig(Session& session);

ConfigReplyRecords DecodeConfigReply(const ConfigReply& reply);

// What the console shows for the reply: "...DONE" and the labelled records, the
// device's error text, or the short-reply message.
std::string DescribeConfigReply(const ConfigReply& reply);

// Done when the reply carried records; refused otherwise.
Outcome ConfigReplyOutcome(const ConfigReply& reply);

// The menu's command: the request line, the exchange and its description.
Outcome ReadConfiguration(Session& session);

}  // namespace trackctl
