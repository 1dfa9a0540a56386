#include "OrderBook.h"

#include "Amount.h"
#include "SecureRandom.h"

namespace tarvel::sandbox {
namespace {

constexpr std::size_t kOidBytes = 8;
constexpr std::size_t kTokenBytes = 24;

bool amountMatches(const Order& order, std::optional<std::int64_t> paise) {
  if (!paise) return true;
  const auto expected = Amount::paise(order.amount);
  return expected && *expected == *paise;
}

}  // namespace

OrderBook::OrderBook(std::size_t capacity) : orders_(capacity) {}

std::string OrderBook::merchantKey(const std::string& mid, const std::string& moid) {
  return mid + '\n' + moid;
}

void OrderBook::forgetIndexes(const Order& evicted) {
  const auto key = merchantKey(evicted.mid, evicted.moid);
  if (auto found = byMerchantKey_.find(key);
      found != byMerchantKey_.end() && found->second == evicted.tarvelOid) {
    byMerchantKey_.erase(found);
  }
  if (auto found = byMoid_.find(evicted.moid);
      found != byMoid_.end() && found->second == evicted.tarvelOid) {
    byMoid_.erase(found);
  }
}

std::pair<Order, bool> OrderBook::findOrCreate(Order draft) {
  std::lock_guard lock(mutex_);
  const auto key = merchantKey(draft.mid, draft.moid);
  if (auto found = byMerchantKey_.find(key); found != byMerchantKey_.end()) {
    if (const Order* existing = orders_.find(found->second)) return {*existing, false};
  }
  if (draft.tarvelOid.empty() || orders_.find(draft.tarvelOid) != nullptr) {
    draft.tarvelOid = "tvl_" + SecureRandom::hex(kOidBytes);
  }
  draft.authToken = SecureRandom::hex(kTokenBytes);
  byMerchantKey_[key] = draft.tarvelOid;
  byMoid_[draft.moid] = draft.tarvelOid;
  if (auto evicted = orders_.insert(draft.tarvelOid, draft)) forgetIndexes(evicted->second);
  return {draft, true};
}

std::optional<Order> OrderBook::byTarvelOid(const std::string& tarvelOid) const {
  std::lock_guard lock(mutex_);
  const Order* order = orders_.find(tarvelOid);
  return order ? std::optional<Order>(*order) : std::nullopt;
}

std::optional<Order> OrderBook::byMoid(const std::string& moid) const {
  std::lock_guard lock(mutex_);
  const auto found = byMoid_.find(moid);
  if (found == byMoid_.end()) return std::nullopt;
  const Order* order = orders_.find(found->second);
  return order ? std::optional<Order>(*order) : std::nullopt;
}

OrderBook::Capture OrderBook::capture(const std::string& tarvelOid, const std::string& authToken) {
  std::lock_guard lock(mutex_);
  Order* order = orders_.find(tarvelOid);
  if (!order) return {CaptureOutcome::unknownOrder, Order{}};
  if (authToken.empty() || authToken != order->authToken) {
    return {CaptureOutcome::badToken, *order};
  }
  ++order->captures;
  const int paidAfter = order->scenario.paidAfterPolls;
  if (order->status == PaymentStatus::pending && paidAfter > 0 && order->captures >= paidAfter) {
    order->status = PaymentStatus::paid;
    order->paidWith = "scenario";
  }
  const auto reported = order->scenario.neverPays ? PaymentStatus::pending : order->status;
  return {CaptureOutcome::accepted, *order, reported};
}

OrderBook::Payment OrderBook::pay(const std::string& reference,
                                  std::optional<std::int64_t> amountPaise,
                                  const std::string& paidWith) {
  std::lock_guard lock(mutex_);
  Order* order = orders_.find(reference);
  if (!order) return {PayOutcome::unknownOrder, Order{}};
  if (!amountMatches(*order, amountPaise)) return {PayOutcome::amountMismatch, *order};
  if (order->status == PaymentStatus::paid) return {PayOutcome::alreadyPaid, *order};
  order->status = PaymentStatus::paid;
  order->paidWith = paidWith;
  return {PayOutcome::paid, *order};
}

void OrderBook::clear() {
  std::lock_guard lock(mutex_);
  orders_.clear();
  byMerchantKey_.clear();
  byMoid_.clear();
}

std::size_t OrderBook::size() const {
  std::lock_guard lock(mutex_);
  return orders_.size();
}

}  // namespace tarvel::sandbox
