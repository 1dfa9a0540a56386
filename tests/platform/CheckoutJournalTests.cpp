// The journal of unfinished checkouts on disk: what a claim makes of every kind of file it may
// find (one table), and the modes of what it writes. Each test has its own XDG_DATA_HOME.
#include <chrono>      // seconds, system_clock
#include <filesystem>  // permissions, create_symlink
#include <functional>  // function
#include <future>      // promise
#include <string>      // string
#include <vector>      // vector

#include <gtest/gtest.h>
#include <stdlib.h>  // setenv
#include <unistd.h>  // chown, geteuid

#include "LogCapture.h"
#include "TemporaryDirectory.h"
#include "platform/CheckoutJournal.h"

namespace tarvel::detail {
namespace {

namespace fs = std::filesystem;

constexpr char kOwner[] = "4242-00000000000000aa";  // an ended process: no lock file

UnfinishedCheckout anEntry(std::int64_t ageSeconds = 0) {
  UnfinishedCheckout entry = UnfinishedCheckout::fromOrder(
      UnfinishedCheckout::Flow::qrCode, Environment::staging, {{"moid", "M-1"}, {"mid", "S"}},
      {{"tarvel_oid", "tvl_1"}, {"auth_token", "secret-token"}, {"total", "10.00"}});
  entry.paymentStartMs -= ageSeconds * 1000;
  return entry;
}

class CheckoutJournalTests : public ::testing::Test {
 public:
  void SetUp() override {
    setenv("XDG_DATA_HOME", home_.path().c_str(), 1);
    folder_ = fs::path(CheckoutJournal::location().toStdString());
  }
  void TearDown() override { unsetenv("XDG_DATA_HOME"); }

  // Waits (bounded) until everything queued on the journal's worker is done.
  void waitIdle() {
    std::promise<void> idle;
    journal_.whenIdle([&idle] { idle.set_value(); });
    ASSERT_EQ(idle.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
  }
  std::vector<CheckoutJournal::Claim> claim() {
    std::vector<CheckoutJournal::Claim> claims;
    journal_.claimLeftovers([&claims](auto found) { claims = std::move(found); });
    waitIdle();
    return claims;
  }

  test::TemporaryDirectory home_;
  fs::path folder_;
  CheckoutJournal journal_;
  test::LogCapture log_;
};

TEST_F(CheckoutJournalTests, ClaimKeepsOnlySoundEntriesOfEndedProcesses) {
  const std::string entry = std::string(kOwner) + ".1.json";
  const std::string json = anEntry().toJson().dump();
  const bool root = ::geteuid() == 0;
  // Each case writes `text` into `fileName` with `perms`, then `change` alters what is on disk.
  struct Case {
    const char* name;
    std::string fileName;
    std::string text;
    fs::perms perms;
    std::function<void(CheckoutJournalTests&)> change;
    std::size_t claimed;
    bool fileStays;
    const char* logLine;
  };
  const auto rw = fs::perms::owner_read | fs::perms::owner_write;
  // Moves the entry (or with "" the whole folder) elsewhere and puts a link in its place.
  const auto moveAndLink = [](const std::string& name) {
    return [name](CheckoutJournalTests& t) {
      const fs::path moved = name.empty() ? t.folder_ : t.folder_ / name;
      fs::rename(moved, t.home_.path() / "elsewhere");
      fs::create_symlink(t.home_.path() / "elsewhere", moved);
    };
  };
  const std::vector<Case> cases = {
      {"sound", entry, json, rw, nullptr, 1, true, ""},
      {"truncated", entry, json.substr(0, 40), rw, nullptr, 0, false,
       "Removed a journal file (not JSON)"},
      {"wrong types", entry, R"({"environment":"staging","flow":"qrcode","tarvel_oid":1,
        "auth_token":"a","moid":"m","mid":"","request_id":"","amount":"","payment_start_ms":"now"})",
       rw, nullptr, 0, false, "(not an unfinished checkout)"},
      {"too large", entry, std::string(20000, ' ') + json, rw, nullptr, 0, false,
       "(larger than 16384 bytes)"},
      {"open to others", entry, json, rw | fs::perms::others_read, nullptr, 0, false,
       "(open to other users (mode 604))"},
      {"symbolic link", entry, json, rw, moveAndLink(entry), 0, false, "(a symbolic link)"},
      {"older than a day", entry, anEntry(25 * 3600).toJson().dump(), rw, nullptr, 0, false,
       "Dropped an unfinished checkout older than 24 hours (moid M-1)"},
      {"interrupted write", entry + ".Ab12Cd", "{\"envir", rw, nullptr, 0, false,
       "(an interrupted write)"},
      {"foreign", "notes.txt", json, rw, nullptr, 0, true,
       "Skipped a file that is not the journal's: notes.txt"},
      {"folder open to others", entry, json, rw,
       [](auto& t) {
         fs::permissions(t.folder_, fs::perms::group_read | fs::perms::group_exec,
                         fs::perm_options::add);
       },
       0, true, "is open to other users (mode 750): it is left alone"},
      {"folder of another user", entry, json, rw,
       [&](auto& t) { ASSERT_TRUE(!root || ::chown(t.folder_.c_str(), 4321, 4321) == 0); },
       root ? 0u : 1u, true, root ? "belongs to another user: it is left alone" : ""},
      {"folder is a link", entry, json, rw, moveAndLink(""), 0, true,
       "is not a folder: it is left alone"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(home_.path());
    fs::create_directories(folder_);
    fs::permissions(folder_, fs::perms::owner_all);
    home_.write(fs::relative(folder_ / c.fileName, home_.path()).string(), c.text);
    fs::permissions(folder_ / c.fileName, c.perms);
    if (c.change) c.change(*this);
    log_.clear();
    const auto claims = claim();
    std::size_t claimed = 0;
    for (const auto& found : claims) claimed += found.entries.size();
    EXPECT_EQ(claimed, c.claimed);
    EXPECT_EQ(fs::exists(fs::symlink_status(folder_ / c.fileName)), c.fileStays);
    EXPECT_NE(log_.text().find(c.logLine), std::string::npos) << log_.text();
    EXPECT_FALSE(log_.contains("secret-token"));
    for (auto found : claims) journal_.release(std::move(found));
    waitIdle();
  }
}

// (A finished checkout's entry removed: JournalRecoveryTests.)
TEST_F(CheckoutJournalTests, WritesPrivateFilesThatItsOwnProcessNeverClaims) {
  const std::string id = journal_.record(anEntry());
  waitIdle();
  EXPECT_EQ(fs::status(folder_).permissions(), fs::perms::owner_all);
  EXPECT_EQ(fs::status(id).permissions(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_TRUE(claim().empty()) << "a running process's own entry is never claimed";
  EXPECT_FALSE(log_.contains("secret-token"));
}

}  // namespace
}  // namespace tarvel::detail
