#pragma once

#include <condition_variable>  // condition_variable
#include <deque>               // deque
#include <functional>          // function
#include <map>                 // map
#include <memory>              // shared_ptr, unique_ptr
#include <mutex>               // mutex
#include <string>              // string
#include <thread>              // thread
#include <utility>             // pair
#include <vector>              // vector

#include <QString>

#include "platform/UnfinishedCheckout.h"

class QLockFile;

namespace tarvel::detail {

/// The journal of unfinished checkouts: one file per checkout the shopper could pay for, in a
/// folder of its own under the application's data location (QStandardPaths::AppDataLocation,
/// so it follows XDG_DATA_HOME and the host's names), kept until that flow's outcome reached
/// the host. A process that ends before then leaves its files for the next run to recover.
///
/// The folder is 0700 and each file 0600, written through QSaveFile (no torn file after a
/// crash mid-write). The files hold a token: nothing of their content is ever logged. All file
/// work runs in order on one worker thread, never on the caller's.
///
/// Every process that writes holds a lock file for its own files for as long as it runs
/// (QLockFile, "<owner>.lock" beside "<owner>.<n>.json"); the kernel releases it when the
/// process ends, however it ends. Whoever takes an owner's lock next owns that owner's files,
/// so one live process never touches another's, and two recovering processes never read the
/// same leftover.
class CheckoutJournal {
 public:
  /// An earlier process's unfinished checkouts, locked for this process until `release`.
  struct Claim {
    std::vector<std::pair<std::string, UnfinishedCheckout>> entries;  ///< id and entry
    std::shared_ptr<QLockFile> lock;
  };

  static CheckoutJournal& shared();

  CheckoutJournal();
  ~CheckoutJournal();  ///< stops
  CheckoutJournal(const CheckoutJournal&) = delete;
  CheckoutJournal& operator=(const CheckoutJournal&) = delete;

  /// The journal's folder for the current application names and environment.
  static QString location();

  /// Writes `entry` (later, on the worker) and returns its id for `remove`.
  std::string record(const UnfinishedCheckout& entry);
  /// Removes the entry `id`, after any write of it queued before.
  void remove(const std::string& id);

  /// Claims the leftovers of every owner that no longer runs, on the worker: bad files are
  /// removed (or, when foreign, skipped) and entries older than 24 hours dropped, each with a
  /// log line. `claimed` runs on the worker with what is left.
  void claimLeftovers(std::function<void(std::vector<Claim>)> claimed);
  /// Lets go of a claim after the removals queued before this call.
  void release(Claim claim);

  /// Runs `done` on the worker once everything queued before it is done.
  void whenIdle(std::function<void()> done);

  /// Finishes the queued work and stops the worker; what is queued later is dropped.
  void stop();

 private:
  void post(std::function<void()> task);
  void run();
  bool holdOwnerLock(const QString& folder);
  void write(const QString& folder, const QString& path, const std::string& json);
  std::vector<Claim> claimNow(const QString& folder);

  const QString owner_;  // "<pid>-<16 hex digits>": this process's files
  std::mutex mutex_;     // guards the queue and the counter
  std::condition_variable wake_;
  std::deque<std::function<void()>> tasks_;
  bool stopping_ = false;
  unsigned long long sequence_ = 0;
  std::thread worker_;

  // Worker only: this process's lock in every folder it wrote to (the application's names or
  // XDG_DATA_HOME may change while it runs).
  std::map<QString, std::unique_ptr<QLockFile>> ownerLocks_;
};

}  // namespace tarvel::detail
