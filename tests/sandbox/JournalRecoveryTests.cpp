// Unfinished checkouts across the end of the host process: a real host (journal-test-host) is
// killed with SIGKILL after the shopper could pay and before it polled; its next runs recover
// the outcome from the journal, against one sandbox on 127.0.0.1. One table of scenarios.
#include <filesystem>  // directory_iterator
#include <sstream>     // istringstream

#include "SandboxTestSupport.h"
#include "TemporaryDirectory.h"

namespace tarvel::sandbox {
namespace {

namespace fs = std::filesystem;
using testing::ChildProcess;
using testing::readFile;
using testing::RunningSandbox;
using testing::waitUntil;

constexpr char kUnreachableApi[] = "http://127.0.0.1:1/api/";

enum class Expect { paid, unpaid, nothing };

struct Scenario {
  const char* name;
  const char* mode;   // journal-test-host's: "pay" (then killed) or "finish"
  int hosts;          // checking out, one order each, then recovering at the same time
  bool shopperPays;   // through the sandbox, before the kill
  bool offlineFirst;  // the first recovery cannot reach the platform
  bool windowPassed;  // the entries are made older than their payment window first
  Expect expect;
};

class JournalRecoveryTests : public ::testing::Test {
 protected:
  std::vector<fs::path> entries() const {
    std::vector<fs::path> found;
    std::error_code ignored;
    const auto folder = home_.path() / "journal-test-host" / "tarvel-checkout-journal";
    for (const auto& file : fs::directory_iterator(folder, ignored)) {
      if (file.path().extension() == ".json") found.push_back(file.path());
    }
    return found;
  }

  std::map<std::string, std::string> environment(const std::string& api) {
    return {{"XDG_DATA_HOME", home_.path().string()},
            {"TARVEL_STAGING_API_URL", api},
            {"TARVEL_STAGING_ANALYTICS_URL", sandbox_.server().analyticsBaseUrl()}};
  }

  // One host checks out `moid`; returns the order's tarvel_oid once its journal entry exists
  // (and, when the shopper pays, the sandbox has the payment).
  std::string checkOut(const Scenario& scenario, const std::string& moid) {
    const std::size_t before = entries().size();
    ChildProcess host({TARVEL_JOURNAL_HOST_EXE, scenario.mode, moid},
                      environment(sandbox_.server().apiBaseUrl()));
    if (std::string(scenario.mode) == "finish") {
      EXPECT_EQ(host.waitForExit(), 0) << host.output();
      EXPECT_NE(host.output().find("OUTCOME true"), std::string::npos) << host.output();
      return {};
    }
    EXPECT_TRUE(waitUntil([&] { return entries().size() > before; })) << host.output();
    std::string tarvelOid;
    for (const auto& path : entries()) {
      const auto entry = nlohmann::json::parse(readFile(path), nullptr, false);
      if (entry.value("moid", "") == moid) tarvelOid = entry.value("tarvel_oid", "");
    }
    if (scenario.shopperPays) {
      EXPECT_EQ(sandbox_.post("/control/pay", {{"tarvel_oid", tarvelOid}}).status, 200);
    }
    EXPECT_TRUE(waitUntil([&] {
      const auto order = sandbox_.server().order(tarvelOid);
      return order && (order->status == PaymentStatus::paid) == scenario.shopperPays;
    }));
    host.sendSignal(SIGKILL);
    EXPECT_EQ(host.waitForExit(), 128 + SIGKILL);
    EXPECT_EQ(sandbox_.server().order(tarvelOid)->captures, 0) << "the host polled";
    return tarvelOid;
  }

  // Runs `count` recovering hosts at once; every outcome they heard, as {"status", "data"}.
  std::vector<nlohmann::json> recover(int count, const std::string& api) {
    std::vector<std::unique_ptr<ChildProcess>> hosts;
    for (int i = 0; i < count; ++i) {
      hosts.push_back(std::make_unique<ChildProcess>(
          std::vector<std::string>{TARVEL_JOURNAL_HOST_EXE, "recover"}, environment(api)));
    }
    std::vector<nlohmann::json> outcomes;
    for (auto& host : hosts) {
      EXPECT_EQ(host->waitForExit(), 0) << host->output();
      EXPECT_NE(host->output().find("RECOVERED"), std::string::npos) << host->output();
      EXPECT_EQ(host->output().find("auth_token\":"), std::string::npos) << "a token was logged";
      std::istringstream lines(host->output());
      for (std::string line; std::getline(lines, line);) {
        if (line.rfind("OUTCOME ", 0) != 0) continue;
        const auto space = line.find(' ', 8);
        outcomes.push_back(
            {{"status", line.substr(8, space - 8) == "true"},
             {"data", nlohmann::json::parse(line.substr(space + 1), nullptr, false)}});
      }
    }
    return outcomes;
  }

  test::TemporaryDirectory home_;
  RunningSandbox sandbox_;
};

TEST_F(JournalRecoveryTests, EachOutcomeReachesTheNextRunOnce) {
  const std::vector<Scenario> scenarios = {
      {"paid, host killed", "pay", 1, true, false, false, Expect::paid},
      {"platform unreachable first", "pay", 1, true, true, false, Expect::paid},
      {"unpaid, within its window", "pay", 1, false, false, false, Expect::nothing},
      {"unpaid, window passed", "pay", 1, false, false, true, Expect::unpaid},
      {"two processes recover at once", "pay", 2, true, false, false, Expect::paid},
      {"finished normally", "finish", 1, true, false, false, Expect::nothing},
  };
  int row = 0;
  for (const Scenario& scenario : scenarios) {
    SCOPED_TRACE(scenario.name);
    ++row;
    std::map<std::string, std::string> orders;  // moid -> tarvel_oid
    for (int i = 0; i < scenario.hosts; ++i) {
      const std::string moid = std::string(std::string(scenario.mode) == "finish" ? "paid-" : "") +
                               "journal-" + std::to_string(row) + "-" + std::to_string(i);
      orders[moid] = checkOut(scenario, moid);
    }
    if (scenario.offlineFirst) {
      EXPECT_TRUE(recover(1, kUnreachableApi).empty());
      EXPECT_EQ(entries().size(), std::size_t(scenario.hosts));
    }
    // The entries an hour older, past their payment window.
    for (const auto& path : scenario.windowPassed ? entries() : std::vector<fs::path>()) {
      auto entry = nlohmann::json::parse(readFile(path));
      entry["payment_start_ms"] = entry["payment_start_ms"].get<std::int64_t>() - 3600 * 1000;
      std::ofstream(path, std::ios::trunc) << entry.dump();  // keeps the file's mode
    }
    const auto outcomes = recover(scenario.hosts, sandbox_.server().apiBaseUrl());
    EXPECT_TRUE(recover(1, sandbox_.server().apiBaseUrl()).empty()) << "reported twice";

    std::map<std::string, int> heard;
    for (const auto& outcome : outcomes) {
      const std::string moid = outcome["data"].value("moid", "");
      ++heard[moid];
      const bool paid = scenario.expect == Expect::paid;
      testing::expectShape(outcome, {{"/status", paid},
                                     {"/data/recovered", true},
                                     {"/data/tarvel_oid", orders[moid]},
                                     {"/data/payment_status", paid ? "PAID" : "PENDING"}});
    }
    for (const auto& [moid, tarvelOid] : orders) {
      EXPECT_EQ(heard[moid], scenario.expect == Expect::nothing ? 0 : 1) << moid;
    }
    const bool kept = scenario.expect == Expect::nothing && std::string(scenario.mode) == "pay";
    EXPECT_EQ(entries().size(), kept ? std::size_t(scenario.hosts) : 0u);
    for (const auto& path : entries()) fs::remove(path);
  }
}

}  // namespace
}  // namespace tarvel::sandbox
