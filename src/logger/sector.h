// The device's two logger sectors.
#pragma once

namespace trackctl {

enum class Sector { kSms, kDataCall };

// The letter that names the sector in requests and logger file names.
constexpr char SectorLetter(Sector sector) { return sector == Sector::kSms ? 'P' : 'O'; }

}  // namespace trackctl
