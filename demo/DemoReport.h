#pragma once

#include <vector>  // vector

#include <QDir>
#include <QPixmap>
#include <QString>

class QWidget;

namespace demo {

/// What a scripted run leaves behind in its output folder: a picture of every screen and phase,
/// and an index.html that shows them with their captions and each flow's outcome.
class DemoReport {
 public:
  explicit DemoReport(const QString& folder);

  /// False when the folder cannot be made.
  bool isReady() const;
  QString folder() const;

  /// Whether screenshots are taken (the default); without, they return an empty name.
  void setPictures(bool taken) { pictures_ = taken; }
  /// Saves a picture of `window` for `flow` at `phase`, captioned; returns the file name.
  QString screenshot(QWidget* window, const QString& flow, const QString& phase,
                     const QString& caption);
  /// Saves a picture of the whole screen (a real display: other applications' windows too).
  QString screenshotOfScreen(const QString& flow, const QString& phase, const QString& caption);
  /// Records the outcome of a flow: what it expected, what came, and whether they agree.
  void outcome(const QString& flow, const QString& title, const QString& expected,
               const QString& received, bool passed);

  /// Writes index.html; false when it cannot be written.
  bool write() const;

 private:
  bool pictures_ = true;
  struct Shot {
    QString flow;
    QString file;
    QString caption;
  };
  struct Outcome {
    QString flow;
    QString title;
    QString expected;
    QString received;
    bool passed;
  };

  static QPixmap picture(QWidget* window);
  QString save(const QPixmap& picture, const QString& flow, const QString& phase,
               const QString& caption);

  QDir dir_;
  bool ready_;
  std::vector<Shot> shots_;
  std::vector<Outcome> outcomes_;
};

}  // namespace demo
