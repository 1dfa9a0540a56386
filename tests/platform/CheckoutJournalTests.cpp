// The journal of unfinished checkouts on disk: what a claim makes of every kind of file it may
// find (one table), and the modes of what it writes. Each test has its own XDG_DATA_HOME.
#include <chrono>      // seconds, system_clock
#include <filesystem>  // permissions, create_symlink
#include <functional>  // function
#include <future>      // promise
#include <string>      // string
#include <vector>      // vector

#include <QStandardPaths>

#include <gtest/gtest.h>
#include <stdlib.h>    // setenv
#include <sys/stat.h>  // stat
#include <unistd.h>    // chown, geteuid

#include "LogCapture.h"
#include "TemporaryDirectory.h"
#include "platform/CheckoutJournal.h"

namespace tarvel::detail {
namespace {

namespace fs = std::filesystem;

constexpr char kOwner[] = "4242-00000000000000aa";  // an ended process: no lock file

std::string entryJson(std::int64_t ageSeconds = 0) {
  UnfinishedCheckout entry = UnfinishedCheckout::fromOrder(
      UnfinishedCheckout::Flow::qrCode, Environment::staging, {{"moid", "M-1"}, {"mid", "S"}},
      {{"tarvel_oid", "tvl_1"}, {"auth_token", "secret-token"}, {"total", "10.00"}});
  entry.paymentStartMs -= ageSeconds * 1000;
  return entry.toJson().dump();
}

class CheckoutJournalTests : public ::testing::Test {
 public:
  void SetUp() override {
    setenv("XDG_DATA_HOME", home_.path().c_str(), 1);
    folder_ = fs::path(CheckoutJournal::location().toStdString());
  }
  void TearDown() override { unsetenv("XDG_DATA_HOME"); }

  // Runs `work` on the journal's worker and waits for it.
  static void onWorker(const std::function<void(std::function<void()>)>& work) {
    std::promise<void> done;
    work([&done] { done.set_value(); });
    ASSERT_EQ(done.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
  }
  std::vector<CheckoutJournal::Claim> claim() {
    std::vector<CheckoutJournal::Claim> claims;
    onWorker([&](auto done) {
      journal_.claimLeftovers([&, done](std::vector<CheckoutJournal::Claim> found) {
        claims = std::move(found);
        done();
      });
    });
    return claims;
  }
  fs::path makeFolder(fs::perms perms = fs::perms::owner_all) {
    fs::create_directories(folder_);
    fs::permissions(folder_, perms);
    return folder_;
  }
  std::string writeEntry(const std::string& name, const std::string& text,
                         fs::perms perms = fs::perms::owner_read | fs::perms::owner_write) {
    const std::string path = (folder_ / name).string();
    home_.write(fs::relative(path, home_.path()).string(), text);
    fs::permissions(path, perms);
    return path;
  }

  test::TemporaryDirectory home_;
  fs::path folder_;
  CheckoutJournal journal_;
  test::LogCapture log_;
};

TEST_F(CheckoutJournalTests, ClaimKeepsOnlySoundEntriesOfEndedProcesses) {
  const std::string owner = kOwner;
  const auto entry = owner + ".1.json";
  const auto rw = fs::perms::owner_read | fs::perms::owner_write;
  struct Case {
    const char* name;
    std::function<void(CheckoutJournalTests&)> setUp;
    std::string fileName;  // the file the case is about
    std::size_t claimed;
    bool fileStays;
    const char* logLine;
  };
  const std::vector<Case> cases = {
      {"sound", [&](auto& t) { t.writeEntry(entry, entryJson()); }, entry, 1, true, ""},
      {"truncated", [&](auto& t) { t.writeEntry(entry, entryJson().substr(0, 40)); }, entry, 0,
       false, "Removed a journal file (not JSON)"},
      {"not JSON", [&](auto& t) { t.writeEntry(entry, "hello"); }, entry, 0, false, "(not JSON)"},
      {"wrong types",
       [&](auto& t) {
         t.writeEntry(entry, R"({"environment":"staging","flow":"qrcode",
          "tarvel_oid":1,"auth_token":"a","moid":"m","mid":"","request_id":"","amount":"",
          "payment_start_ms":"now"})");
       },
       entry, 0, false, "(not an unfinished checkout)"},
      {"too large", [&](auto& t) { t.writeEntry(entry, std::string(20000, ' ') + entryJson()); },
       entry, 0, false, "(larger than 16384 bytes)"},
      {"open to others",
       [&](auto& t) { t.writeEntry(entry, entryJson(), rw | fs::perms::others_read); }, entry, 0,
       false, "(open to other users (mode 604))"},
      {"symbolic link",
       [&](auto& t) {
         const std::string target = t.home_.write("target.json", entryJson());
         fs::permissions(target, rw);
         fs::create_symlink(target, t.folder_ / entry);
       },
       entry, 0, false, "(a symbolic link)"},
      {"older than a day", [&](auto& t) { t.writeEntry(entry, entryJson(25 * 3600)); }, entry, 0,
       false, "Dropped an unfinished checkout older than 24 hours (moid M-1)"},
      {"interrupted write", [&](auto& t) { t.writeEntry(entry + ".Ab12Cd", "{\"envir"); },
       entry + ".Ab12Cd", 0, false, "(an interrupted write)"},
      {"foreign", [&](auto& t) { t.writeEntry("notes.txt", entryJson()); }, "notes.txt", 0, true,
       "Skipped a file that is not the journal's: notes.txt"},
      {"folder open to others",
       [&](auto& t) {
         t.writeEntry(entry, entryJson());
         fs::permissions(t.folder_,
                         fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
       },
       entry, 0, true, "is open to other users (mode 750): it is left alone"},
      {"folder of another user",
       [&](auto& t) {
         t.writeEntry(entry, entryJson());
         if (::geteuid() == 0) {
           ASSERT_EQ(::chown(t.folder_.c_str(), 4321, 4321), 0);
         }
       },
       entry, ::geteuid() == 0 ? 0u : 1u, true,
       ::geteuid() == 0 ? "belongs to another user: it is left alone" : ""},
      {"folder is a link",
       [&](auto& t) {
         fs::create_directories(t.home_.path() / "elsewhere");
         fs::permissions(t.home_.path() / "elsewhere", fs::perms::owner_all);
         fs::remove(t.folder_);
         fs::create_symlink(t.home_.path() / "elsewhere", t.folder_);
         t.writeEntry(entry, entryJson());
       },
       entry, 0, true, "is not a folder: it is left alone"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(home_.path());
    makeFolder();
    log_.clear();
    c.setUp(*this);
    const auto claims = claim();
    std::size_t claimed = 0;
    for (const auto& found : claims) claimed += found.entries.size();
    EXPECT_EQ(claimed, c.claimed);
    EXPECT_EQ(fs::exists(fs::symlink_status(folder_ / c.fileName)), c.fileStays);
    EXPECT_NE(log_.text().find(c.logLine), std::string::npos) << log_.text();
    EXPECT_FALSE(log_.contains("secret-token"));
    for (auto found : claims) journal_.release(std::move(found));
    onWorker([&](auto done) { journal_.whenIdle(done); });
  }
}

TEST_F(CheckoutJournalTests, WritesPrivateFilesAndRemovesThemLeavingNothing) {
  UnfinishedCheckout entry = UnfinishedCheckout::fromOrder(
      UnfinishedCheckout::Flow::upiApp, Environment::staging, {{"moid", "M-2"}},
      {{"tarvel_oid", "tvl_2"}, {"auth_token", "secret-token"}});
  const std::string id = journal_.record(entry);
  onWorker([&](auto done) { journal_.whenIdle(done); });
  struct stat folder {
  }, file{};
  ASSERT_EQ(::stat(folder_.c_str(), &folder), 0);
  ASSERT_EQ(::stat(id.c_str(), &file), 0);
  EXPECT_EQ(folder.st_mode & 0777, 0700u);
  EXPECT_EQ(file.st_mode & 0777, 0600u);
  EXPECT_TRUE(claim().empty()) << "a running process's own entry is never claimed";
  EXPECT_FALSE(log_.contains("secret-token"));

  journal_.remove(id);
  onWorker([&](auto done) { journal_.whenIdle(done); });
  for (const auto& name : fs::directory_iterator(folder_)) {
    EXPECT_EQ(name.path().extension(), ".lock") << name.path();
  }
}

}  // namespace
}  // namespace tarvel::detail
