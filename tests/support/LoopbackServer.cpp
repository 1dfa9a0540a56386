#include "LoopbackServer.h"

#include <arpa/inet.h>   // htonl, ntohs
#include <netinet/in.h>  // sockaddr_in, INADDR_LOOPBACK
#include <sys/socket.h>  // socket, bind, listen, getsockname
#include <unistd.h>      // close

#include "TestCertificateAuthority.h"
#include "config/HttpUrl.h"
#include "network/UrlLoader.h"
#include "tarvel/Config.h"

namespace tarvel::test {
namespace {

// The staging and the production API URL, as configured.
std::vector<detail::HttpUrl> stagingUrls() {
  return {*detail::HttpUrl::parse(Config::devBaseURL()),
          *detail::HttpUrl::parse(Config::baseURL())};
}

}  // namespace

LoopbackServer::LoopbackServer(StagingNames)
    : LoopbackServer(std::make_shared<const TestCertificateAuthority>(
          std::vector<std::string>{stagingUrls()[0].host(), stagingUrls()[1].host()})) {}

LoopbackServer::LoopbackServer(std::shared_ptr<const TestCertificateAuthority> authority)
    : LoopbackServer(std::optional<Tls>(authority->serverTls())) {
  authority_ = std::move(authority);
}

int LoopbackServer::bindLoopback(int& port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof(address);
  if (fd >= 0 && (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
                  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
                  ::listen(fd, 64) != 0)) {
    ::close(fd);
    return -1;
  }
  port = ntohs(address.sin_port);
  return fd;
}

void LoopbackServer::closeSocket(int socket) { ::close(socket); }

bool LoopbackServer::usesDefaultHosts() {
  return Config::devBaseURL() == "https://staging-api.tarvel.in/";
}

std::string LoopbackServer::caFile() const { return authority_ ? authority_->caFile() : ""; }

std::vector<std::string> LoopbackServer::connectTo() const {
  std::vector<std::string> entries;
  for (const auto& url : stagingUrls()) {
    entries.push_back(url.host() + ":" + std::to_string(url.port()) +
                      ":127.0.0.1:" + std::to_string(port_));
  }
  return entries;
}

std::shared_ptr<detail::UrlLoader> LoopbackServer::loader() const {
  detail::UrlLoader::Options options;
  options.timeout = std::chrono::seconds(10);
  options.extraCaFile = caFile();
  options.connectToForTesting = connectTo();
  return std::make_shared<detail::UrlLoader>(std::move(options));
}

}  // namespace tarvel::test
