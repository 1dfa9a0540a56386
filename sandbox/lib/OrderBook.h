#pragma once

#include <cstddef>        // size_t
#include <cstdint>        // int64_t
#include <mutex>          // mutex
#include <optional>       // optional
#include <string>         // string
#include <unordered_map>  // unordered_map
#include <utility>        // pair

#include "BoundedMap.h"
#include "Order.h"

namespace tarvel::sandbox {

/// The platform's orders, keyed by "tarvel_oid" and found again by (mid, moid). Holds at most
/// `capacity` orders; the oldest goes first. Thread-safe; every answer is a copy.
class OrderBook {
 public:
  enum class CaptureOutcome { accepted, unknownOrder, badToken };
  struct Capture {
    CaptureOutcome outcome;
    Order order;  // the order after this capture (empty if unknown)
    PaymentStatus reported = PaymentStatus::pending;  // what "payment_status" tells
  };
  enum class PayOutcome { paid, alreadyPaid, unknownOrder, amountMismatch };
  struct Payment {
    PayOutcome outcome;
    Order order;
  };

  explicit OrderBook(std::size_t capacity);

  /// The order under (draft.mid, draft.moid) if there is one, else `draft` stored as a new
  /// order with a fresh "auth_token" and "tarvel_oid" (the draft's own "tarvel_oid" when it
  /// has one that no other order holds). The flag tells whether it is new.
  std::pair<Order, bool> findOrCreate(Order draft);

  std::optional<Order> byTarvelOid(const std::string& tarvelOid) const;
  /// The latest order with this moid, under any merchant.
  std::optional<Order> byMoid(const std::string& moid) const;

  /// One status poll: checks the token, counts the poll and applies the order's scenario
  /// ("paid", "paid-after-N", "never-pays").
  Capture capture(const std::string& tarvelOid, const std::string& authToken);

  /// Records a payment made by an app for the order whose "tarvel_oid" is `reference`.
  /// `amountPaise`, when given, must match the order's amount.
  Payment pay(const std::string& reference, std::optional<std::int64_t> amountPaise,
              const std::string& paidWith);

  void clear();
  std::size_t size() const;

 private:
  static std::string merchantKey(const std::string& mid, const std::string& moid);
  void forgetIndexes(const Order& evicted);

  mutable std::mutex mutex_;
  detail::BoundedMap<std::string, Order> orders_;               // by tarvel_oid
  std::unordered_map<std::string, std::string> byMerchantKey_;  // mid + moid -> tarvel_oid
  std::unordered_map<std::string, std::string> byMoid_;         // moid -> latest tarvel_oid
};

}  // namespace tarvel::sandbox
