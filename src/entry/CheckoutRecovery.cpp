#include "entry/CheckoutRecovery.h"

#include <atomic>   // atomic
#include <chrono>   // system_clock, seconds
#include <tuple>    // tuple
#include <utility>  // move
#include <vector>   // vector

#include "config/DictionaryReading.h"
#include "entry/CheckoutCore.h"
#include "platform/CheckoutJournal.h"
#include "platform/MainQueue.h"
#include "tarvel/APIService.h"
#include "tarvel/Config.h"
#include "tarvel/Log.h"

namespace tarvel::detail {
namespace {

// After the flow's own polling window, a little longer for an answer already on its way.
constexpr std::chrono::seconds kGrace(30);

// The platform API of the environment the checkout ran in, whatever the current one is.
class EntryEnvironmentService : public APIService {
 public:
  explicit EntryEnvironmentService(Environment environment) : environment_(environment) {}
  std::string baseUrl() const override { return Config::apiBaseURL(environment_); }

 private:
  Environment environment_;
};

// One recovery run: the claims it holds and how many entries are still being asked about.
struct Run {
  std::shared_ptr<CheckoutCore> core;
  std::function<void()> finished;
  std::vector<CheckoutJournal::Claim> claims;
  std::vector<std::atomic<int>> pendingPerClaim;
  std::atomic<int> pending{0};

  Run(std::shared_ptr<CheckoutCore> owner, std::function<void()> done,
      std::vector<CheckoutJournal::Claim> held)
      : core(std::move(owner)),
        finished(std::move(done)),
        claims(std::move(held)),
        pendingPerClaim(claims.size()) {}
};

void finishRun(const std::shared_ptr<Run>& run) {
  MainQueue::async([run] {
    if (run->finished) run->finished();
  });
}

// One entry is decided (and any removal queued): its claim goes once all of its entries are.
void entryDone(const std::shared_ptr<Run>& run, std::size_t claimIndex) {
  if (run->pendingPerClaim[claimIndex].fetch_sub(1) == 1) {
    CheckoutJournal::shared().release(std::move(run->claims[claimIndex]));
  }
  if (run->pending.fetch_sub(1) == 1) finishRun(run);
}

void report(const std::shared_ptr<Run>& run, std::size_t claimIndex, const std::string& id,
            bool status, Dictionary data) {
  MainQueue::async([run, claimIndex, id, status, data = std::move(data)] {
    if (!run->core->delegate()) {
      log(LogLevel::warning, "Kept an unfinished checkout: no host delegate to hear its outcome");
      entryDone(run, claimIndex);
      return;
    }
    run->core->passScreenOutcome(status, data);
    // Only now: a process that ends before this line repeats the outcome on its next run.
    CheckoutJournal::shared().remove(id);
    entryDone(run, claimIndex);
  });
}

void decide(const std::shared_ptr<Run>& run, std::size_t claimIndex, const std::string& id,
            const UnfinishedCheckout& entry, const std::optional<Dictionary>& answer,
            std::optional<APIError> error) {
  const std::string which = "an unfinished checkout (moid " + entry.moid + ")";
  const std::optional<std::string> status =
      answer && answer->is_object() ? stringValue(*answer, "payment_status") : std::nullopt;
  if (error || !status) {
    log(LogLevel::warning,
        "Kept " + which + ": " +
            (error ? "its payment status could not be asked (" + std::string(rawValue(*error)) + ")"
                   : std::string("the status answer has no readable \"payment_status\"")));
    entryDone(run, claimIndex);
    return;
  }
  const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::system_clock::now().time_since_epoch());
  const bool windowPassed =
      now.count() - entry.paymentStartMs > (entry.paymentWindow() + kGrace).count();
  const bool paid = *status == "PAID";
  if (!paid && !windowPassed) {
    log("Kept " + which + ": the shopper may still be paying");
    entryDone(run, claimIndex);
    return;
  }
  log("Recovered " + which + (paid ? ": paid" : ": not paid"));
  Dictionary data = *answer;
  data["recovered"] = true;
  data["moid"] = entry.moid;
  data["tarvel_oid"] = entry.tarvelOid;
  report(run, claimIndex, id, paid, std::move(data));
}

void ask(const std::shared_ptr<Run>& run, std::size_t claimIndex, const std::string& id,
         const UnfinishedCheckout& entry) {
  // The polling's request: each key only when there is a value for it.
  Dictionary params = Dictionary::object();
  if (!entry.tarvelOid.empty()) params["tarvel_oid"] = entry.tarvelOid;
  if (!entry.authToken.empty()) params["auth_token"] = entry.authToken;
  auto service = std::make_shared<EntryEnvironmentService>(entry.environment);
  service->checkPaymentStatus(
      params, [run, claimIndex, id, entry, service](bool, std::optional<Dictionary> answer,
                                                    std::optional<APIError> error) {
        decide(run, claimIndex, id, entry, answer, error);
      });
}

}  // namespace

void CheckoutRecovery::start(std::shared_ptr<CheckoutCore> core, std::function<void()> finished) {
  CheckoutJournal::shared().claimLeftovers([core = std::move(core), finished = std::move(finished)](
                                               std::vector<CheckoutJournal::Claim> claims) mutable {
    auto run = std::make_shared<Run>(std::move(core), std::move(finished), std::move(claims));
    int total = 0;
    for (std::size_t index = 0; index < run->claims.size(); ++index) {
      const int count = int(run->claims[index].entries.size());
      run->pendingPerClaim[index] = count;
      total += count;
    }
    if (total == 0) {
      finishRun(run);
      return;
    }
    run->pending = total;
    // A claim may be released (moved out) by an early answer while later ones are asked.
    std::vector<std::tuple<std::size_t, std::string, UnfinishedCheckout>> entries;
    for (std::size_t index = 0; index < run->claims.size(); ++index) {
      for (const auto& [id, entry] : run->claims[index].entries) {
        entries.emplace_back(index, id, entry);
      }
    }
    for (const auto& [index, id, entry] : entries) ask(run, index, id, entry);
  });
}

}  // namespace tarvel::detail
