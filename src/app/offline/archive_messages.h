// What the archive commands say: a refused or failed archive, an import's
// summary, the fleet as a table or as JSON.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/console/device_text.h"
#include "archive/archive.h"

namespace trackctl {

// The archive that a command uses: `given` (--archive), else the environment's
// TRACKCTL_ARCHIVE when set, else tracks.gpkg in the current folder.
std::string ArchivePath(const std::optional<std::string>& given);

// E.g. "trackctl import: cannot use old.db: not a GeoPackage", without a line end;
// a server named without its password.
std::string ArchiveErrorLine(std::string_view command, const std::string& archive, const ArchiveError& error);

// "300 read, 297 new, 3 already archived, 2 not valid".
std::string ImportCountsText(const ImportCounts& counts);
// "3 of the records already archived hold other UTC times (...)": what a file
// imported again under another time zone finds.
std::string OtherUtcText(const ImportCounts& counts);

// A line per device under a header line, each line ended; the text that came
// from a device or a file name (serial key, version, type) shown as `deviceText`
// says, so that on a terminal it cannot break the table or drive the screen.
std::string FleetTable(const std::vector<DeviceSummary>& fleet, DeviceTextMode deviceText);
// One JSON array of objects, one per device, and a line end.
std::string FleetJson(const std::vector<DeviceSummary>& fleet);

}  // namespace trackctl
