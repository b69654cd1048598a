// The device's two logger sectors.
#pragma once

namespace trackctl {

enum class Sector { kSms, kDataCall };

// The letter that names the sector in requests and logger file names.
constexpr char SectorLetter(Sector sector) { return sector == Sector::kSms ? 'P' : 'O'; }

// The word that names the sector on the command line and in the archive.
constexpr const char* SectorWord(Sector sector) { return sector == Sector::kSms ? "sms" : "datacall"; }

// The name that the console's messages give the sector.
constexpr const char* SectorName(Sector sector) { return sector == Sector::kSms ? "SMS" : "DataCall"; }

}  // namespace trackctl
