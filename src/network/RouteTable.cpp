#include "network/RouteTable.h"

#include <fstream>   // ifstream
#include <iterator>  // istreambuf_iterator
#include <sstream>   // istringstream
#include <vector>    // vector

#include "tarvel/InternetConnectionManager.h"

namespace tarvel::detail {
namespace {

constexpr uint32_t kRouteUp = 0x0001;         // RTF_UP
constexpr uint32_t kRouteReject = 0x0200;     // RTF_REJECT
constexpr uint32_t kInterfaceUp = 0x1;        // IFF_UP
constexpr uint32_t kInterfaceLoopback = 0x8;  // IFF_LOOPBACK

std::vector<std::string> fields(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> result;
  for (std::string field; in >> field;) result.push_back(field);
  return result;
}

std::optional<uint32_t> parseHex(const std::string& text) {
  if (text.empty() || text.size() > 8) return std::nullopt;
  uint32_t value = 0;
  for (char c : text) {
    uint32_t digit = 0;
    if (c >= '0' && c <= '9') {
      digit = static_cast<uint32_t>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<uint32_t>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<uint32_t>(c - 'A' + 10);
    } else {
      return std::nullopt;
    }
    value = (value << 4) | digit;
  }
  return value;
}

bool isAllZeros(const std::string& text) {
  return !text.empty() && text.find_first_not_of('0') == std::string::npos;
}

bool usableRoute(const std::optional<uint32_t>& routeFlags, const std::string& interfaceName,
                 const InterfaceFlags& interfaceFlags) {
  if (!routeFlags || (*routeFlags & kRouteUp) == 0 || (*routeFlags & kRouteReject) != 0) {
    return false;
  }
  auto flags = interfaceFlags(interfaceName);
  return flags && (*flags & kInterfaceUp) != 0 && (*flags & kInterfaceLoopback) == 0;
}

// Iface Destination Gateway Flags RefCnt Use Metric Mask MTU Window IRTT, after a header line.
bool hasIpv4DefaultRoute(const std::string& table, const InterfaceFlags& interfaceFlags) {
  std::istringstream lines(table);
  std::string line;
  std::getline(lines, line);  // header
  while (std::getline(lines, line)) {
    auto f = fields(line);
    if (f.size() < 8 || !isAllZeros(f[1]) || !isAllZeros(f[7])) continue;
    if (usableRoute(parseHex(f[3]), f[0], interfaceFlags)) return true;
  }
  return false;
}

// Destination PrefixLength Source SourcePrefixLength NextHop Metric RefCnt Use Flags Iface.
bool hasIpv6DefaultRoute(const std::string& table, const InterfaceFlags& interfaceFlags) {
  std::istringstream lines(table);
  std::string line;
  while (std::getline(lines, line)) {
    auto f = fields(line);
    if (f.size() < 10 || !isAllZeros(f[0]) || !isAllZeros(f[1])) continue;
    if (usableRoute(parseHex(f[8]), f[9], interfaceFlags)) return true;
  }
  return false;
}

std::optional<std::string> readFile(const std::string& path) {
  std::ifstream in(path);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::optional<uint32_t> systemInterfaceFlags(std::string_view name) {
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string_view::npos) {
    return std::nullopt;
  }
  auto text = readFile("/sys/class/net/" + std::string(name) + "/flags");
  if (!text) return std::nullopt;
  std::string value = fields(*text).empty() ? std::string() : fields(*text)[0];
  if (value.rfind("0x", 0) == 0) value = value.substr(2);
  return parseHex(value);
}

}  // namespace

std::optional<uint32_t> reachabilityFromRoutes(const std::optional<std::string>& ipv4Table,
                                               const std::optional<std::string>& ipv6Table,
                                               const InterfaceFlags& interfaceFlags) {
  if (!ipv4Table && !ipv6Table) return std::nullopt;
  bool reachable = (ipv4Table && hasIpv4DefaultRoute(*ipv4Table, interfaceFlags)) ||
                   (ipv6Table && hasIpv6DefaultRoute(*ipv6Table, interfaceFlags));
  return reachable ? InternetConnectionManager::kReachable : 0u;
}

std::optional<uint32_t> systemReachability() {
  return reachabilityFromRoutes(readFile("/proc/net/route"), readFile("/proc/net/ipv6_route"),
                                systemInterfaceFlags);
}

}  // namespace tarvel::detail
