#include "screens/UnavailableFlowScreen.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "tarvel/NavigationController.h"

namespace tarvel::detail {

UnavailableFlowScreen::UnavailableFlowScreen(const QString& flowName, const Dictionary& createData,
                                             bool production, QWidget* parent)
    : CheckoutScreen(createData, production, parent), flowName_(flowName) {
  setTitle(flowName);
  closeButton_ = new QPushButton(tr("Close"), this);
  closeButton_->setObjectName("closeButton");
  connect(closeButton_, &QPushButton::clicked, this, &UnavailableFlowScreen::closeFlow);
}

UnavailableFlowScreen::~UnavailableFlowScreen() = default;

void UnavailableFlowScreen::viewDidLoad() {
  setAutoFillBackground(true);
  auto* layout = new QVBoxLayout(this);
  auto* message = new QLabel(QString::fromStdString(errorText()), this);
  message->setObjectName("unavailableMessage");
  message->setWordWrap(true);
  message->setAlignment(Qt::AlignCenter);
  layout->addStretch(1);
  layout->addWidget(message);
  layout->addWidget(closeButton_, 0, Qt::AlignHCenter);
  layout->addStretch(1);
}

std::string UnavailableFlowScreen::errorText() const {
  return flowName_.toStdString() + " is not available in this build.";
}

QPushButton* UnavailableFlowScreen::closeButton() const { return closeButton_; }

// Reports first, then closes: the report reaches the host before the screen goes away.
void UnavailableFlowScreen::closeFlow() {
  if (closed_) return;
  closed_ = true;
  if (auto delegate = checkoutStatusDelegate()) {
    delegate->checkOutCompleted(false, Dictionary{{"error", errorText()}});
  }
  if (presentingViewController() && !navigationController()) {
    dismiss(true);
  } else if (NavigationController* navigation = navigationController()) {
    navigation->removeViewController(this, true);
  }
}

}  // namespace tarvel::detail
