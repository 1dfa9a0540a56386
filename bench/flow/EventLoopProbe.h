#pragma once

#include <cstdint>  // int64_t

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace tarvel::bench {

/// Measures how long the main thread stays away from its event loop: a precise timer ticks
/// every `kTickMs`; the longest gap between two ticks, less the tick, is the longest time the
/// thread was busy with something else (wall clock, which counts time the machine gave to other
/// processes too). The thread's own CPU time over the same gap is kept beside it, the figure
/// that a loaded machine does not inflate.
class EventLoopProbe : public QObject {
  Q_OBJECT

 public:
  static constexpr int kTickMs = 2;

  explicit EventLoopProbe(QObject* parent = nullptr);

  void start();
  void stop();
  /// Longest wall-clock stall, in milliseconds, since `start`.
  double longestStallMs() const { return static_cast<double>(longestWallNs_) / 1e6; }
  /// The main thread's CPU time during its longest busy stretch, in milliseconds.
  double longestBusyCpuMs() const { return static_cast<double>(longestCpuNs_) / 1e6; }
  /// When the longest busy stretch ended, in milliseconds since `start`.
  double longestBusyEndedAtMs() const { return static_cast<double>(longestCpuAtNs_) / 1e6; }
  int ticks() const { return ticks_; }

 private:
  void tick();
  static std::int64_t threadCpuNs();

  QTimer timer_;
  QElapsedTimer wall_;
  std::int64_t lastWallNs_ = 0;
  std::int64_t lastCpuNs_ = 0;
  std::int64_t longestWallNs_ = 0;
  std::int64_t longestCpuNs_ = 0;
  std::int64_t longestCpuAtNs_ = 0;
  int ticks_ = 0;
};

}  // namespace tarvel::bench
