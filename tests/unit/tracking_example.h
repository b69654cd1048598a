// The example tracking configuration file and the moment of its worked example.
#pragma once

#include <string_view>

#include "protocol/timewords.h"

namespace trackctl::testing {

inline constexpr std::string_view kExampleConfig =
    "Text 1:445\r\nDigit 1:1\r\nDigit 2:0\r\nDigit 3:2\r\n"
    "Feature 0:1\r\nFeature 1:0\r\nFeature 2:1\r\nFeature 3:1\r\nFeature 4:0\r\nFeature 5:0\r\n"
    "Track Interval:30\r\nStop Delay Threshold:300\r\nStart Delay Threshold:5\r\n"
    "Start Distance Threshold:50\r\nOvSpd Threshold:80\r\nOverSpdDelayThreshold:10\r\n"
    "OverSpdTrackInterval:15\r\nAccel Threshold:12\r\nDecel Threshold:14\r\nDatacall Time:600\r\n"
    "DataCallInterval:60\r\nDataCallTrackInterval:600\r\nByte 23:0\r\nByte 24:1\r\nNumber 25:500\r\n"
    "Text 2:111\r\nText 3:222\r\nText 4:333\r\n";

// 09:15:20 on 15 June 2005: time word 0x4114, date word 0x08EF.
inline constexpr LocalDateTime kExampleMoment{2005, 6, 15, 9, 15, 20};

}  // namespace trackctl::testing
