#include "tarvel/PaymentOptionView.h"

#include <QLabel>       // QLabel
#include <QPushButton>  // QPushButton

#include "ui_PaymentOptionView.h"

namespace tarvel {

PaymentOptionView::PaymentOptionView(const QRect& frame, QWidget* parent) : QWidget(parent) {
  setGeometry(frame);
  commonInit();
}

PaymentOptionView::PaymentOptionView(QWidget* parent) : QWidget(parent) { commonInit(); }

PaymentOptionView::~PaymentOptionView() = default;

void PaymentOptionView::commonInit() {
  auto content = std::make_unique<QWidget>();
  auto ui = std::make_unique<Ui::PaymentOptionView>();
  ui->setupUi(content.get());
  content->setObjectName(QStringLiteral("contentView"));
  // setupUi gives the content the layout's design size; the tile's bounds replace it, once.
  content->setGeometry(0, 0, width(), height());
  content->setParent(this);
  content->show();
  ui_ = std::move(ui);
  contentView_ = content.release();
}

QPushButton* PaymentOptionView::buttonUPIOption() const { return ui_->buttonUPIOption; }

QWidget* PaymentOptionView::bgView() const { return ui_->bgView; }

QLabel* PaymentOptionView::imageUPI() const { return ui_->imageUPI; }

QLabel* PaymentOptionView::labelUPIName() const { return ui_->labelUPIName; }

QWidget* PaymentOptionView::contentView() const { return contentView_; }

}  // namespace tarvel
