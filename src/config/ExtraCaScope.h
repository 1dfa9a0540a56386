#pragma once

#include <string_view>  // string_view

namespace tarvel::detail {

/// Whether the extra certificate authority (TARVEL_CA_FILE, the sandbox's or a test server's)
/// may vouch for `url`: only when its origin (scheme, host and port) is the origin of one of
/// the three staging base URLs as overridden (`Config::devBaseURL()` and the other two), and
/// its host is none of the production hosts, whatever the overrides say. Everything else,
/// production above all, is verified against the system's authorities alone.
///
/// The one decision for every TLS client of the component: the URL loader asks it for each
/// request, the web checkout for each page.
bool extraCaAppliesTo(std::string_view url);

}  // namespace tarvel::detail
