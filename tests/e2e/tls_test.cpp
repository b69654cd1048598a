// The archive on a PostgreSQL server over TLS, through the real binary and
// trackctl.exe under wine alike: the test cluster takes TCP connections only
// over TLS (hostssl, scram-sha-256), with a certificate for localhost and
// 127.0.0.1 that a test CA signed. Records go in and come out once each, eight
// importers at once; a certificate that does not verify, or a server without
// TLS where TLS is asked for, is one line and status 2 before the device hears
// anything; the password is never shown.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "tests/e2e/harness.h"

namespace trackctl::e2e {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kPassword = "bench-secret";  // the role bench's, set by scripts/test-postgres.sh

std::string AdminPsql(const std::string& server, const std::string& sql) {
  int status = 0;
  std::string value = Shell("psql -X -q -At \"" + server + "\" 2>&1 <<'SQL'\n" + sql + "\nSQL\n", status);
  while (!value.empty() && value.back() == '\n') value.pop_back();
  return value;
}

// A logger line of the record `i` steps of 30 s after 22:00:00 on 12 June 2005.
std::string LoggerLine(std::size_t i) {
  const std::size_t seconds = 22 * 3600 + i * 30;
  char line[160];
  std::snprintf(line, sizeof line, "5,2,1,0,%zu:%zu:%zu.00,%zu:6:2005,77.%06zu,12.%06zu,33.000000,%zu.000000;\n",
                seconds % 86400 / 3600, seconds % 3600 / 60, seconds % 60, 12 + seconds / 86400, i % 100000,
                971640 - i % 1000, i);
  return line;
}

// A server that answers a client's request for TLS with 'N' (no TLS here) and
// then waits for the client to go: what a PostgreSQL server without ssl says.
class PlainServer {
 public:
  PlainServer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 8) != 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      throw std::runtime_error("PlainServer: cannot listen");
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~PlainServer() {
    stop_ = true;
    thread_.join();
    ::close(listener_);
  }
  PlainServer(const PlainServer&) = delete;
  PlainServer& operator=(const PlainServer&) = delete;
  int port() const { return port_; }
  int requests() const { return requests_; }

 private:
  void Serve() {
    while (!stop_) {
      pollfd waiting{listener_, POLLIN, 0};
      if (::poll(&waiting, 1, 50) <= 0) continue;
      const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0) continue;
      char request[8];
      std::size_t got = 0;
      pollfd reading{client, POLLIN, 0};
      while (got < sizeof request && ::poll(&reading, 1, 5000) > 0) {
        const ssize_t n = ::read(client, request + got, sizeof request - got);
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
      }
      // The request: its length (8) and the code 80877103.
      if (got == sizeof request && request[3] == 8 && static_cast<unsigned char>(request[4]) == 0x04 &&
          static_cast<unsigned char>(request[5]) == 0xd2 && request[6] == 0x16 && request[7] == 0x2f) {
        ++requests_;
        if (::write(client, "N", 1) == 1) {
          char rest[256];
          while (::poll(&reading, 1, 5000) > 0 && ::read(client, rest, sizeof rest) > 0) {
          }
        }
      }
      ::close(client);
    }
  }
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> requests_{0};
  std::thread thread_;
};

class TlsArchive : public E2eTest {
 protected:
  void SetUp() override {
    E2eTest::SetUp();
    if (IsSkipped()) return;
    const char* given = std::getenv("TRACKCTL_TEST_POSTGRES");
    const std::string text = given != nullptr ? given : "";
    dir_ = text.starts_with("host=") ? text.substr(5, text.find(' ') - 5) : "";
    std::ifstream portFile(dir_ + "/port");
    if (dir_.empty() || !fs::exists(dir_ + "/tls/ca.crt") || !std::getline(portFile, port_)) {
      const char* ci = std::getenv("CI");
      if (ci != nullptr && std::string(ci) == "true") ADD_FAILURE() << "no PostgreSQL test cluster, and CI=true";
      GTEST_SKIP() << "no PostgreSQL test cluster with TLS";
    }
    admin_ = text;
    static int made = 0;
    database_ = "tls" + std::to_string(::getpid()) + "_" + std::to_string(++made);
    ASSERT_EQ(AdminPsql(admin_ + " dbname=postgres", "CREATE DATABASE " + database_ + " OWNER bench"), "");
    // The CAs beside the program, named relative to its folder: the same name
    // on Linux and under wine.
    fs::copy_file(dir_ + "/tls/ca.crt", workdir() / "ca.crt");
    fs::copy_file(dir_ + "/tls/other-ca.crt", workdir() / "other-ca.crt");
  }
  void TearDown() override {
    if (!database_.empty()) AdminPsql(admin_ + " dbname=postgres", "DROP DATABASE IF EXISTS " + database_ + " WITH (FORCE)");
    E2eTest::TearDown();
  }
  // The connection string of the test's database over TCP, with `settings` and the password in it.
  std::string Server(const std::string& settings, const std::string& host = "host=localhost") const {
    return host + " port=" + port_ + " user=bench password=" + kPassword + " dbname=" + database_ + " " + settings;
  }
  static std::string Shown(const std::string& archive) {
    std::string shown = archive;
    shown.erase(shown.find(" password="), std::string(" password=").size() + std::string(kPassword).size());
    return shown;
  }
  std::string Value(const std::string& sql) const {
    return AdminPsql(admin_ + " dbname=" + database_ + " options='-csearch_path=trackctl,public'", sql);
  }
  int Run(std::vector<std::string> args, std::string& output) {
    RunOptions options;
    options.args = std::move(args);
    Program& run = Start("", options);
    const int status = run.WaitExit(120s);
    output = run.Output();
    return status;
  }
  std::string WriteDownload(const std::string& key, std::size_t records) const {
    std::string text;
    for (std::size_t i = 0; i < records; ++i) text += LoggerLine(i);
    const std::string name = key + "_P20050612230000.dat";
    std::ofstream(workdir() / name, std::ios::binary) << text;
    return name;
  }
  std::string admin_;  // the superuser over the cluster's socket
  std::string dir_;
  std::string port_;
  std::string database_;
};

// verify-full with the test CA: a file imported, the fleet listed and one day
// of one device exported, each record once; the same file again adds nothing;
// no line shows the password, though every connection string holds it.
TEST_F(TlsArchive, ImportArchiveAndExportByDeviceAndDateOverVerifiedTls) {
  const std::string archive = Server("sslmode=verify-full sslrootcert=ca.crt");
  const std::string file = WriteDownload("1000752301", 3000);  // 22:00 on the 12th to 23:00 on the 13th
  std::string output;
  ASSERT_EQ(Run({"import", "--utc-offset", "+00:00", "--archive", archive, file}, output), 0) << output;
  EXPECT_EQ(output, "trackctl import: " + file + ": 3000 read, 3000 new, 0 already archived, 0 not valid\n");
  ASSERT_EQ(Run({"import", "--utc-offset", "+00:00", "--archive", archive, file}, output), 0) << output;
  EXPECT_EQ(output, "trackctl import: " + file + ": 3000 read, 0 new, 3000 already archived, 0 not valid\n");
  EXPECT_EQ(Value("SELECT count(*) || ' ' || count(DISTINCT record_key) FROM records"), "3000 3000");

  ASSERT_EQ(Run({"archive", "--archive", archive}, output), 0) << output;
  EXPECT_NE(output.find("\n1000752301     3000  2005-06-12T22:00:00Z  2005-06-13T22:59:30Z"), std::string::npos)
      << output;
  EXPECT_EQ(output.find(kPassword), std::string::npos) << output;

  ASSERT_EQ(Run({"export", "--archive", archive, "--device", "1000752301", "--since", "2005-06-13", "--until",
                 "2005-06-13", "--utc-offset", "+00:00", "--format", "csv", "-o", "day.csv"},
                output),
            0)
      << output;
  EXPECT_EQ(output.find(kPassword), std::string::npos) << output;
  // 00:00:00 to 22:59:30 on the 13th: 2760 records and the header.
  EXPECT_EQ(Lines(ReadFile(workdir() / "day.csv")).size(), 2761u);
}

// Eight benches import at once over TLS, two of them the same file: each record once.
TEST_F(TlsArchive, EightImportersAtOnceOverTlsHoldEachRecordOnce) {
  const std::string archive = Server("sslmode=verify-full sslrootcert=ca.crt");
  std::vector<std::string> files;
  for (int device = 0; device < 7; ++device) files.push_back(WriteDownload("10007523" + std::to_string(10 + device), 2000));
  files.push_back(files[0]);
  std::vector<Program*> importers;
  for (const std::string& file : files) {
    RunOptions options;
    options.args = {"import", "--utc-offset", "+00:00", "--archive", archive, file};
    importers.push_back(&Start("", options));
  }
  int added = 0;
  for (Program* importer : importers) {
    EXPECT_EQ(importer->WaitExit(240s), 0) << importer->Output();
    const std::string said = importer->Output();
    EXPECT_EQ(said.find(kPassword), std::string::npos) << said;
    const std::size_t read = said.find(": 2000 read, ");
    ASSERT_NE(read, std::string::npos) << said;
    added += std::stoi(said.substr(read + 13));
  }
  EXPECT_EQ(added, 7 * 2000);
  EXPECT_EQ(Value("SELECT count(*) || ' ' || count(DISTINCT record_key) || ' ' || count(DISTINCT device) FROM records"),
            "14000 14000 7");
  EXPECT_EQ(Value("SELECT count(*) FROM downloads"), "7");  // the file imported twice is one download
}

// A server whose certificate does not verify (another CA, a name it was not
// made for) or that has no TLS where TLS is asked for: one line that names the
// server and not the password, status 2, and the device not even asked.
TEST_F(TlsArchive, AServerThatDoesNotProveItselfIsOneLineAndTheDeviceIsUntouched) {
  PlainServer plain;
  const std::string plainPort = std::to_string(plain.port());
  const struct {
    std::string archive;
    std::string why;
  } refused[] = {
      {Server("sslmode=verify-ca sslrootcert=other-ca.crt", "host=127.0.0.1"),
       "connection to server at \"127.0.0.1\", port " + port_ + " failed: SSL error: certificate verify failed"},
      {Server("sslmode=verify-full sslrootcert=ca.crt", "host=wrong.example hostaddr=127.0.0.1"),
       "connection to server at \"127.0.0.1\", port " + port_ +
           " failed: server certificate for \"localhost\" (and 1 other name) does not match host name "
           "\"wrong.example\""},
      {"host=127.0.0.1 port=" + plainPort + " user=bench password=" + kPassword + " dbname=fleet sslmode=require",
       "connection to server at \"127.0.0.1\", port " + plainPort +
           " failed: server does not support SSL, but SSL was required"},
  };
  for (const auto& server : refused) {
    SCOPED_TRACE(server.archive);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"download", "sms", "--archive", server.archive},
          std::vector<std::string>{"archive", "--archive", server.archive}}) {
      std::string output;
      EXPECT_EQ(Run(args, output), 2) << output;
      const std::string ending = args[0] == "download" ? "; nothing was downloaded\n" : "\n";
      EXPECT_EQ(output, "trackctl " + args[0] + ": cannot use " + Shown(server.archive) + ": " + server.why + ending);
    }
  }
  EXPECT_EQ(plain.requests(), 2);
  EXPECT_TRUE(sim().Received().empty());
  EXPECT_EQ(Files(), (std::vector<std::string>{"ca.crt", "other-ca.crt"}));
  EXPECT_EQ(Value("SELECT count(*) FROM pg_namespace WHERE nspname = 'trackctl'"), "0");
}

// Without sslrootcert, libpq's own place for the CA: ~/.postgresql/root.crt on
// Linux, %APPDATA%\postgresql\root.crt on Windows (the wine prefix's, put back
// as it was after the test). The right CA there lets verify-full in, another
// one is refused in one line.
TEST_F(TlsArchive, TheCaInLibpqsOwnPlaceIsTheOneChecked) {
  RunOptions options;
  fs::path place = workdir() / ".postgresql" / "root.crt";
  if (UnderWine()) {
    const passwd* user = ::getpwuid(::getuid());
    ASSERT_NE(user, nullptr);
    place = fs::path(std::getenv("WINEPREFIX")) / "drive_c" / "users" / user->pw_name / "AppData" / "Roaming" /
            "postgresql" / "root.crt";
    ASSERT_FALSE(fs::exists(place)) << place << " is there already";
  } else {
    options.env = {{"HOME", workdir().string()}};
  }
  struct Removed {
    fs::path path;
    ~Removed() {
      std::error_code ignored;
      fs::remove_all(path.parent_path(), ignored);
    }
  } removed{place};
  fs::create_directories(place.parent_path());
  const std::string archive = Server("sslmode=verify-full");
  for (const char* ca : {"ca.crt", "other-ca.crt"}) {
    SCOPED_TRACE(ca);
    fs::copy_file(workdir() / ca, place, fs::copy_options::overwrite_existing);
    options.args = {"archive", "--archive", archive};
    Program& run = Start("", options);
    const int status = run.WaitExit(120s);
    const std::string said = run.Output();
    EXPECT_EQ(status, 2) << said;
    const std::string why = ca == std::string("ca.crt")
                                ? "no archive there (no schema trackctl in this database)"
                                : "connection to server at \"localhost\" (127.0.0.1), port " + port_ +
                                      " failed: SSL error: certificate verify failed";
    EXPECT_EQ(said, "trackctl archive: cannot use " + Shown(archive) + ": " + why + "\n");
  }
}

}  // namespace
}  // namespace trackctl::e2e
