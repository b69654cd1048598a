#include <gtest/gtest.h>

#include <ctime>

#include "protocol/timewords.h"
#include "sim/device.h"
#include "tests/sim/sent_bytes.h"

namespace tracksim {
namespace {

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

const Bytes kCodeOk = ToBytes("\xEA" "CODE-OK\xE4");
const Bytes kCodeAck = ToBytes("\xEA" "CODE_ACK\xE4");
const Bytes kCodeError = ToBytes("\xEA" "CODE_ERROR\xE4");
const Bytes kInit = ToBytes("\xEAINIT\xE4");

// What the PC sends: 0x00, the header and its 0x00; then the image and its checksum.
Bytes Header(std::string_view digits) { return Concat({{0x00}, ToBytes("\xEA" "CODE_"), ToBytes(digits), {0xE4, 0x00}}); }

// An image full of bytes that mean something outside the data phase:
// frame start and end, the wake byte. Checksum 0xE4FAEAEA ^ 0x000000EA = 0xE4FAEA00.
const Bytes kImage{0xEA, 0xEA, 0xFA, 0xE4, 0xEA};
const Bytes kChecksum{0x00, 0xEA, 0xFA, 0xE4};

TEST(DeviceCode, TakesExactlyTheAnnouncedBytesAndChecksTheChecksum) {
  Device device;
  EXPECT_EQ(SentBytes(device.Feed(Header("00000009"))), kCodeOk);
  // The image, its checksum and, straight after, another request.
  EXPECT_EQ(SentBytes(device.Feed(Concat({kImage, kChecksum, kInit}))),
            Concat({kCodeAck, ToBytes("\xEAINIT_OK 1000752301 010203 GT15\xE4")}));
  EXPECT_EQ(device.state().codeImageSize, 5u);
  EXPECT_EQ(device.state().codeChecksum, 0xE4FAEA00u);

  const std::time_t now = std::time(nullptr);
  const std::tm local = *std::localtime(&now);
  const trackctl::CalendarDate date = trackctl::DecodeDateWord(device.state().status.codeUpgradeDateWord);
  EXPECT_EQ(date.day, local.tm_mday);
  EXPECT_EQ(date.month, local.tm_mon + 1);
  EXPECT_EQ(date.year, local.tm_year + 1900);
}

TEST(DeviceCode, AWrongChecksumOrAHeaderWithoutRoomForOneIsRefused) {
  Device device;
  device.Feed(Header("00000004"));
  EXPECT_EQ(SentBytes(device.Feed(Bytes{0x00, 0x00, 0x00, 0x01})), kCodeError);
  EXPECT_EQ(device.state().codeImageSize, 0u);
  EXPECT_EQ(device.state().status.codeUpgradeDateWord, DeviceState{}.status.codeUpgradeDateWord);

  // An empty image with a zero checksum is good.
  device.Feed(Header("00000004"));
  EXPECT_EQ(SentBytes(device.Feed(Bytes{0x00, 0x00, 0x00, 0x00})), kCodeAck);
  EXPECT_NE(device.state().status.codeUpgradeDateWord, DeviceState{}.status.codeUpgradeDateWord);

  Device strict;
  EXPECT_EQ(SentBytes(strict.Feed(Header("00000003"))), kCodeError);
  EXPECT_EQ(SentBytes(strict.Feed(Header("0000000e"))), kCodeError);  // lower case is no hex here
  EXPECT_EQ(SentBytes(strict.Feed(kInit)).size(), 32u);               // no data phase was started
}

TEST(DeviceCode, KnobsRefuseTheHeaderOrReplaceEitherReply) {
  Knobs refusing;
  refusing.replyFor["CODE_"] = kCodeError;
  Device refuser({}, refusing);
  EXPECT_EQ(SentBytes(refuser.Feed(Header("00000009"))), kCodeError);
  EXPECT_EQ(SentBytes(refuser.Feed(kInit)).size(), 32u);  // takes no image

  Knobs other;
  other.codeHeaderReply = ToBytes("\xEAWHAT\xE4");
  other.codeFinalReply = ToBytes("\xEA" "CODE_NAK\xE4");
  Device device({}, other);
  EXPECT_EQ(SentBytes(device.Feed(Header("00000009"))), ToBytes("\xEAWHAT\xE4"));
  EXPECT_EQ(SentBytes(device.Feed(Concat({kImage, kChecksum}))), ToBytes("\xEA" "CODE_NAK\xE4"));
  EXPECT_EQ(device.state().codeImageSize, 5u);  // the image was good all the same
}

TEST(DeviceSerialKey, StoresTheKeyThatTheNextInitReports) {
  Device device;
  EXPECT_EQ(SentBytes(device.Feed(ToBytes("\xEASERIALKEY_1000752   \xE4"))), ToBytes("\xEASERIALKEY_OK\xE4"));
  EXPECT_EQ(device.state().serialKey, "1000752   ");
  EXPECT_EQ(SentBytes(device.Feed(kInit)), ToBytes("\xEAINIT_OK 1000752    010203 GT15\xE4"));
  // A key byte 0xE4 does not end the 22-byte request early.
  EXPECT_EQ(SentBytes(device.Feed(ToBytes("\xEASERIALKEY_AB\xE4" "DEFGHIJ\xE4"))), ToBytes("\xEASERIALKEY_OK\xE4"));
  EXPECT_EQ(device.state().serialKey, "AB\xE4" "DEFGHIJ");
}

}  // namespace
}  // namespace tracksim
