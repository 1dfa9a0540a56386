#include "WebCheckoutPageAddress.h"

#include <array>        // array
#include <string_view>  // string_view
#include <utility>      // move

#include <QByteArray>  // QByteArray
#include <QString>     // QString

#include "config/DictionaryReading.h"
#include "tarvel/OrderKeys.h"

namespace tarvel::detail {
namespace {

struct Parameter {
  std::string_view name;
  std::string_view orderKey;  // empty for the fixed value
  std::string_view fixedValue;
};

// The page reads its parameters in this order.
constexpr std::array<Parameter, 6> kParameters{{
    {"order_type", OrderKeys::orderType, {}},
    {"mid", OrderKeys::mid, {}},
    {"moid", OrderKeys::moid, {}},
    {"environment", {}, "sandbox"},
    {"request_id", OrderKeys::requestId, {}},
    {"tarvel_oid", OrderKeys::tarvelOid, {}},
}};

QByteArray encoded(std::string_view text) {
  return QUrl::toPercentEncoding(QString::fromUtf8(text.data(), qsizetype(text.size())));
}

}  // namespace

WebCheckoutPageAddress webCheckoutPageAddress(const std::string& baseUrl, const Dictionary& order) {
  QByteArray address = QByteArray::fromStdString(baseUrl) + "custom.html";
  char separator = '?';
  for (const Parameter& parameter : kParameters) {
    std::string value(parameter.fixedValue);
    if (!parameter.orderKey.empty()) {
      auto text = stringValue(order, parameter.orderKey);
      if (!text) {
        return {{}, "the order has no text value for \"" + std::string(parameter.orderKey) + "\""};
      }
      value = std::move(*text);
    }
    address += separator;
    address += QByteArray(parameter.name.data(), qsizetype(parameter.name.size()));
    address += '=';
    address += encoded(value);
    separator = '&';
  }
  QUrl url = QUrl::fromEncoded(address, QUrl::StrictMode);
  const bool web = url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http");
  if (!url.isValid() || !web || url.host().isEmpty()) {
    return {{}, "the web checkout address is not valid: " + address.toStdString()};
  }
  return {url, {}};
}

}  // namespace tarvel::detail
