#pragma once

#include <optional>  // optional
#include <vector>    // vector

#include <QString>

#include "tarvel/Dictionary.h"

namespace demo {

/// One way to pay that the shop offers: which order it sends to the component.
struct OrderKind {
  QString id;        ///< short, stable name ("upi-tiles"), used on the command line
  QString title;     ///< what the shopper reads
  QString subtitle;  ///< one line about what happens
  QString orderType;
  std::optional<QString> upiApp;  ///< nothing: the key is left out
  QString scenario;               ///< the sandbox scenario the kind needs, if any

  /// Every kind the shop offers, in the order it lists them.
  static const std::vector<OrderKind>& all();
  static const OrderKind* find(const QString& id);
};

/// A sandbox scenario the shopper may pick for the next order ("" = the platform's normal
/// behaviour), with a label.
struct Scenario {
  QString name;
  QString label;

  static const std::vector<Scenario>& all();
};

/// The order dictionary the shop sends for one checkout. Identifiers are new for every call:
/// the platform keys orders by them. The scenario rides in the merchant order id (which every
/// endpoint of the sandbox reads) and, for the verification, in "sandbox_scenario".
tarvel::Dictionary makeOrder(const OrderKind& kind, const QString& scenario, const QString& phone,
                             const QString& total, int serial);

}  // namespace demo
