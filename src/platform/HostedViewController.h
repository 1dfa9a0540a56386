#pragma once

#include <QPointer>

#include "tarvel/ViewController.h"

namespace tarvel {

/// A screen around a plain widget of the host (for example the former central widget of the
/// host's window), so that the widget can sit at the bottom of a navigation stack. The screen
/// takes the widget over and fills itself with it.
class HostedViewController : public ViewController {
  Q_OBJECT

 public:
  explicit HostedViewController(QWidget* content, QWidget* parent = nullptr);
  ~HostedViewController() override;

  QWidget* content() const;

 private:
  QPointer<QWidget> content_;
};

}  // namespace tarvel
