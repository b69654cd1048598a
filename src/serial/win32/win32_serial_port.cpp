// The serial port on Windows: the Win32 communications API.
#include <windows.h>

#include <string>

#include "serial/open_port.h"
#include "serial/port_failure.h"

namespace trackctl {
namespace {

COMMTIMEOUTS ToWin32(const CommTimeouts& t) {
  COMMTIMEOUTS out{};
  out.ReadIntervalTimeout = t.readIntervalTimeout;
  out.ReadTotalTimeoutMultiplier = t.readTotalTimeoutMultiplier;
  out.ReadTotalTimeoutConstant = t.readTotalTimeoutConstant;
  out.WriteTotalTimeoutMultiplier = t.writeTotalTimeoutMultiplier;
  out.WriteTotalTimeoutConstant = t.writeTotalTimeoutConstant;
  return out;
}

int ErrorNumber() { return static_cast<int>(GetLastError()); }

class Win32SerialPort : public SerialPort {
 public:
  explicit Win32SerialPort(HANDLE handle) : handle_(handle), active_(handle) {}
  ~Win32SerialPort() override { CloseHandle(handle_); }
  Win32SerialPort(const Win32SerialPort&) = delete;
  Win32SerialPort& operator=(const Win32SerialPort&) = delete;

  HANDLE handle() const { return handle_; }
  // After a failed set-up step that is not fatal by itself, every later operation
  // meets an invalid handle and fails there.
  void Invalidate() { active_ = INVALID_HANDLE_VALUE; }

  bool SetTimeouts(const CommTimeouts& timeouts) override {
    COMMTIMEOUTS win32 = ToWin32(timeouts);
    if (!Check(SetCommTimeouts(active_, &win32))) return false;
    waitsForFirstByte_ = timeouts.readTotalTimeoutMultiplier == 0 && timeouts.readTotalTimeoutConstant == 0;
    return true;
  }

  ReadResult Read(std::span<std::uint8_t> dst) override {
    DWORD got = 0;
    if (!Check(ReadFile(active_, dst.data(), static_cast<DWORD>(dst.size()), &got, nullptr))) {
      return ReadResult{false, got};
    }
    // Without a total time-out a read returns only once a byte has come; one that
    // returns empty-handed has met the end of the line: the device is gone.
    if (got == 0 && waitsForFirstByte_ && !dst.empty()) {
      lastError_ = ERROR_HANDLE_EOF;
      return ReadResult{false, 0};
    }
    return ReadResult{true, got};
  }

  bool WriteByte(std::uint8_t byte) override {
    DWORD written = 0;
    return Check(WriteFile(active_, &byte, 1, &written, nullptr));
  }

  DtrResult SetDtr(bool raised) override {
    if (!modemLines_) return DtrResult::kUnsupported;
    if (EscapeCommFunction(active_, raised ? SETDTR : CLRDTR)) return DtrResult::kDone;
    lastError_ = ErrorNumber();
    if (lastError_ == ERROR_NOT_SUPPORTED) {
      modemLines_ = false;  // a port without modem-control lines
      return DtrResult::kUnsupported;
    }
    return DtrResult::kFailed;
  }

  int LastError() const override { return lastError_; }

 private:
  bool Check(BOOL ok) {
    if (!ok) lastError_ = ErrorNumber();
    return ok != FALSE;
  }

  HANDLE handle_;
  HANDLE active_;
  bool modemLines_ = true;
  bool waitsForFirstByte_ = false;
  int lastError_ = 0;
};

void ConfigureLine(DCB& dcb) {
  dcb.DCBlength = sizeof(DCB);
  dcb.BaudRate = 115200;
  dcb.fBinary = 1;
  dcb.fParity = 0;
  dcb.fOutxCtsFlow = 0;
  dcb.fOutxDsrFlow = 0;
  dcb.fDtrControl = DTR_CONTROL_DISABLE;
  dcb.fDsrSensitivity = 0;
  dcb.fTXContinueOnXoff = 0;
  dcb.fOutX = 0;
  dcb.fInX = 0;
  dcb.fErrorChar = 0;
  dcb.fNull = 0;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.fAbortOnError = 0;
  dcb.XonLim = 100;
  dcb.XoffLim = 100;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  dcb.ErrorChar = 0x00;
  dcb.EofChar = 0x00;
  dcb.EvtChar = 0x00;
}

}  // namespace

std::string PortPathForNumber(int number) { return "\\\\.\\COM" + std::to_string(number); }

std::string PortPathForName(std::string_view name) {
  if (name.starts_with("\\\\")) return std::string(name);
  return "\\\\.\\" + std::string(name);
}

OpenedPort OpenPort(const std::string& path) {
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    FailPort(PortStep::kOpen, ErrorNumber());
  }
  auto port = std::make_unique<Win32SerialPort>(handle);

  DCB dcb{};
  dcb.DCBlength = sizeof(DCB);
  if (!GetCommState(handle, &dcb)) FailPort(PortStep::kGetState, ErrorNumber());
  PurgeComm(handle, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
  ConfigureLine(dcb);
  if (!SetCommState(handle, &dcb)) FailPort(PortStep::kSetState, ErrorNumber());
  if (!port->SetTimeouts(kOpenTimeouts)) FailPort(PortStep::kSetTimeouts, port->LastError());
  if (!SetCommMask(handle, EV_TXEMPTY)) {
    port->Invalidate();
    return OpenedPort{std::move(port), path, false};
  }
  return OpenedPort{std::move(port), path, true};
}

}  // namespace trackctl
