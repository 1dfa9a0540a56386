#pragma once

#include <atomic>  // atomic

namespace tarvel::test {

/// A byte-for-byte TCP relay on 127.0.0.1 to the port of the platform under test, so that the
/// checkout page keeps the one origin the component opened while each test's platform (and its
/// faults: a refused or reset connection, a slow or broken answer) sits behind it. A redirect
/// would move the page to another origin, where the web checkout rightly ignores it.
class PageRelay {
 public:
  PageRelay();
  PageRelay(const PageRelay&) = delete;
  PageRelay& operator=(const PageRelay&) = delete;

  /// The port the relay listens on; 0 when it could not listen.
  int port() const { return port_; }
  /// Where new connections go from now on.
  void setTargetPort(int port) { targetPort_ = port; }

 private:
  void acceptConnections();

  int listener_ = -1;
  int port_ = 0;
  std::atomic<int> targetPort_{0};
};

}  // namespace tarvel::test
