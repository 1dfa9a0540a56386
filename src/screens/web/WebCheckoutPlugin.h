#pragma once

#include <QObject>

#include "WebCheckoutFactory.h"

namespace tarvel::detail {

/// The web checkout module's entry: the one object `QPluginLoader` makes from it.
class WebCheckoutPlugin : public QObject, public WebCheckoutFactory {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID "tarvel.checkout.WebCheckoutFactory/1")
  Q_INTERFACES(tarvel::detail::WebCheckoutFactory)

 public:
  const char* version() const override;
  CheckoutScreen* create(const Dictionary& createData, bool production) override;
  void warmUp(std::function<void()> ready) override;
};

}  // namespace tarvel::detail
