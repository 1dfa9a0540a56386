#include "platform/HostedViewController.h"

#include <QVBoxLayout>

namespace tarvel {

HostedViewController::HostedViewController(QWidget* content, QWidget* parent)
    : ViewController(parent), content_(content) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  if (content) {
    layout->addWidget(content);
    content->show();
    setWindowTitle(content->windowTitle());
  }
}

HostedViewController::~HostedViewController() = default;

QWidget* HostedViewController::content() const { return content_; }

}  // namespace tarvel
