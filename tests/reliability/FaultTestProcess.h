#pragma once

#include <string>  // string

namespace tarvel::test {

/// Where the process's checkout page front sends the page request: "<baseUrl>custom.html?...".
void setCheckoutPageTarget(const std::string& baseUrl);

}  // namespace tarvel::test
