#pragma once

#include <mutex>   // mutex, lock_guard
#include <thread>  // thread::id, this_thread
#include <vector>  // vector

#include "tarvel/CheckoutStatusDelegate.h"

namespace tarvel::test {

/// The entry object's side of a screen: every outcome, in order, with the thread it came on.
struct RecordingStatusDelegate : CheckoutStatusDelegate {
  struct Outcome {
    bool status;
    Dictionary data;
    std::thread::id thread;
  };
  void checkOutCompleted(bool status, const Dictionary& data) override {
    std::lock_guard<std::mutex> lock(mutex);
    outcomes.push_back({status, data, std::this_thread::get_id()});
  }
  std::mutex mutex;
  std::vector<Outcome> outcomes;
};

}  // namespace tarvel::test
