#include "tarvel/BottomBorder.h"

#include <QEvent>     // QEvent::Resize
#include <QLineEdit>  // QLineEdit
#include <QPainter>   // QPainter

namespace tarvel {

namespace {

const char* const kLineName = "bottomBorder";

// The underline: a 1-pixel strip on the field's bottom edge that keeps there when the field
// is resized, the way a layer keeps its frame inside its view.
class BottomBorderLine : public QWidget {
 public:
  explicit BottomBorderLine(QLineEdit* field) : QWidget(field) {
    setObjectName(kLineName);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    field->installEventFilter(this);
    follow(field);
    show();
  }

  void setColor(const QColor& color) {
    color_ = color;
    update();
  }

 protected:
  // Painted by hand: a palette colour would not survive a style sheet on the field.
  void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), color_); }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == parentWidget() && event->type() == QEvent::Resize) follow(parentWidget());
    return QWidget::eventFilter(watched, event);
  }

 private:
  void follow(QWidget* field) {
    setGeometry(0, field->height() - 1, field->width(), 1);
    raise();
  }

  QColor color_;
};

}  // namespace

void addBottomBorder(QLineEdit* textField, const QColor& color) {
  if (!textField) return;
  textField->setFrame(false);
  // Only this file names a child so, and only ever with a BottomBorderLine.
  auto* line = static_cast<BottomBorderLine*>(
      textField->findChild<QWidget*>(kLineName, Qt::FindDirectChildrenOnly));
  if (!line) line = new BottomBorderLine(textField);
  line->setColor(color);
}

}  // namespace tarvel
