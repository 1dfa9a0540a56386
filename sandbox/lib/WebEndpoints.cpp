#include "WebEndpoints.h"

#include "CheckoutPage.h"

namespace tarvel::sandbox {

void WebEndpoints::install(httplib::Server& server, const std::string& prefix) {
  server.Get(prefix + "custom.html", [](const httplib::Request&, httplib::Response& response) {
    const auto page = CheckoutPage::html();
    response.set_header("Cache-Control", "no-store");
    response.set_content(page.data(), page.size(), "text/html; charset=utf-8");
  });
}

}  // namespace tarvel::sandbox
