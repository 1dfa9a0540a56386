#include "DemoShopWindow.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStringList>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include "OrderKind.h"
#include "ProductArt.h"
#include "SandboxControl.h"
#include "tarvel/Log.h"
#include "tarvel/TarvelCheckout.h"
#include "tarvel/TarvelPaymentStatusDelegate.h"

namespace demo {
namespace {

struct Product {
  ProductArt::Kind art;
  const char* name;
  const char* detail;
  const char* price;
};

constexpr Product kCart[] = {
    {ProductArt::Kind::kurta, "Cotton kurta", "Indigo, size M", "799.00"},
    {ProductArt::Kind::bottle, "Steel water bottle", "750 ml, keeps cold 24 h", "349.00"},
    {ProductArt::Kind::chai, "Masala chai", "Loose leaf, 250 g", "201.00"},
};
constexpr const char* kCartTotal = "1349.00";
constexpr const char* kCartTotalShown = "₹1,349.00";
constexpr int kWideLayoutWidth = 860;
constexpr int kOtpLookups = 20;
constexpr int kOtpLookupGapMs = 500;
constexpr int kNotificationMs = 12'000;

constexpr const char* kStyle = R"(
  QWidget#shopPage { background: #F4F6F5; }
  QWidget { font-family: Metropolis-Regular; font-size: 10pt; color: #1B1F1D; }
  QFrame[card="true"] { background: white; border-radius: 14px; border: 1px solid #E3E8E5; }
  QLabel[role="heading"] { font-family: Metropolis-Bold; font-size: 12pt; }
  QLabel[role="shop"] { font-family: Metropolis-Bold; font-size: 15pt; color: white; }
  QLabel[role="badge"] { background: rgba(255,255,255,0.18); color: white; border-radius: 9px;
                         padding: 2px 8px; font-size: 8pt; }
  QLabel[role="muted"] { color: #6B7470; font-size: 9pt; }
  QLabel[role="price"] { font-family: Metropolis-Medium; }
  QLabel[role="total"] { font-family: Metropolis-Bold; font-size: 13pt; }
  QWidget#header { background: #0A9C4D; }
  QFrame[option="true"] { border-radius: 10px; }
  QFrame[option="true"][checked="true"] { background: #E6F4EC; }
  QRadioButton { spacing: 10px; font-family: Metropolis-Medium; background: transparent; }
  QRadioButton::indicator { width: 12px; height: 12px; border-radius: 8px;
                            border: 2px solid #9AA5A0; background: white; }
  QRadioButton::indicator:checked { border: 5px solid #0A9C4D; width: 6px; height: 6px; }
  QComboBox, QLineEdit { border: 1px solid #D5DCD8; border-radius: 8px; padding: 6px 8px;
                         background: white; }
  QPushButton#payButton { background: #0A9C4D; color: white; border: none; border-radius: 12px;
                          padding: 14px; font-family: Metropolis-Bold; font-size: 12pt; }
  QPushButton#payButton:pressed { background: #087F3E; }
  QLabel[outcome="success"] { background: #E6F4EC; color: #0E7A3B; border-radius: 8px;
                              padding: 2px 8px; font-family: Metropolis-Medium; }
  QLabel[outcome="failure"] { background: #FDECEC; color: #C62828; border-radius: 8px;
                              padding: 2px 8px; font-family: Metropolis-Medium; }
  QLabel[outcome="waiting"] { background: #FFF4E0; color: #A15C00; border-radius: 8px;
                              padding: 2px 8px; font-family: Metropolis-Medium; }
  QLabel[outcome="duplicate"] { background: #C62828; color: white; border-radius: 8px;
                                padding: 2px 8px; font-family: Metropolis-Bold; }
  QLabel[role="data"] { font-family: monospace; font-size: 8pt; color: #4A524E; }
)";

// The outcome's dictionary as the host got it, one "key: value" a line, long values cut.
QString summary(const tarvel::Dictionary& data) {
  if (!data.is_object()) return QString::fromStdString(data.dump());
  if (data.empty()) return "{}";
  QStringList lines;
  const tarvel::Dictionary shown = tarvel::redactedForLog(data);
  for (const auto& [key, value] : shown.items()) {
    QString text = QString::fromStdString(
        value.is_string()
            ? value.get<std::string>()
            : value.dump(-1, ' ', false, tarvel::Dictionary::error_handler_t::replace));
    if (text.size() > 40) text = text.left(39) + "…";
    lines << QString::fromStdString(key) + ": " + text;
  }
  return lines.join('\n');
}

QFrame* makeCard() {
  auto* card = new QFrame;
  card->setProperty("card", true);
  return card;
}

QLabel* label(const QString& text, const char* role = nullptr) {
  auto* result = new QLabel(text);
  if (role) result->setProperty("role", role);
  return result;
}

// The serial under which recovered outcomes arrive; each gets a row of its own.
constexpr int kRecoveredSerial = 0;
constexpr char kRecoveredKind[] = "recovered";

}  // namespace

// Tells the window about the outcomes of one checkout, if the window still exists.
class FlowDelegate : public tarvel::TarvelPaymentStatusDelegate {
 public:
  FlowDelegate(DemoShopWindow* window, int serial) : window_(window), serial_(serial) {}

  void tarvelPayment(bool status, const tarvel::Dictionary& data) override {
    if (window_) emit window_->outcomeReceived(serial_, status, data);
  }

 private:
  QPointer<DemoShopWindow> window_;
  int serial_;
};

DemoShopWindow::DemoShopWindow(bool production, QWidget* parent)
    : QMainWindow(parent), production_(production) {
  setWindowTitle("Chai & Cotton");
  resize(420, 820);

  auto* page = new QWidget;
  page->setObjectName("shopPage");
  page->setStyleSheet(kStyle);
  auto* pageLayout = new QVBoxLayout(page);
  pageLayout->setContentsMargins(0, 0, 0, 0);
  pageLayout->setSpacing(0);
  pageLayout->addWidget(makeHeader());

  auto* scroll = new QScrollArea;
  scroll->setWidgetResizable(true);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll_ = scroll;
  scroll->setFrameShape(QFrame::NoFrame);
  auto* content = new QWidget;
  content->setObjectName("shopPage");
  columns_ = new QGridLayout(content);
  columns_->setContentsMargins(16, 16, 16, 16);
  columns_->setSpacing(14);
  cartCard_ = makeCartCard();
  paymentCard_ = makePaymentCard();
  outcomesCard_ = makeOutcomesCard();
  arrangeColumns();
  scroll->setWidget(content);
  pageLayout->addWidget(scroll, 1);
  setCentralWidget(page);

  connect(this, &DemoShopWindow::outcomeReceived, this, &DemoShopWindow::recordOutcome);

  // Above everything in the window, the component's screens included.
  notification_ = new QLabel(this);
  notification_->setObjectName("notification");
  notification_->setStyleSheet(
      "#notification { background: rgba(32, 36, 34, 235); color: white; border-radius: 12px;"
      " padding: 10px 14px; font-family: Metropolis-Medium; font-size: 10pt; }");
  notification_->hide();
}

DemoShopWindow::~DemoShopWindow() = default;

QWidget* DemoShopWindow::makeHeader() {
  auto* header = new QWidget;
  header->setObjectName("header");
  header->setAttribute(Qt::WA_StyledBackground);
  auto* layout = new QHBoxLayout(header);
  layout->setContentsMargins(16, 12, 16, 12);
  auto* logo = new QLabel;
  logo->setPixmap(ProductArt::logo(34, devicePixelRatioF()));
  layout->addWidget(logo);
  layout->addWidget(label("Chai & Cotton", "shop"));
  layout->addStretch(1);
  layout->addWidget(label(production_ ? "Production" : "Sandbox", "badge"));
  return header;
}

QWidget* DemoShopWindow::makeCartCard() {
  QFrame* card = makeCard();
  auto* layout = new QVBoxLayout(card);
  layout->setContentsMargins(18, 16, 18, 16);
  layout->setSpacing(10);
  layout->addWidget(label("Your cart", "heading"));
  for (const Product& product : kCart) {
    auto* row = new QHBoxLayout;
    row->setSpacing(12);
    auto* picture = new QLabel;
    picture->setPixmap(ProductArt::picture(product.art, 56, devicePixelRatioF()));
    row->addWidget(picture);
    auto* text = new QVBoxLayout;
    text->setSpacing(2);
    text->addWidget(label(product.name, "price"));
    text->addWidget(label(QString("%1 · Qty 1").arg(product.detail), "muted"));
    row->addLayout(text, 1);
    row->addWidget(label(QString("₹%1").arg(product.price), "price"));
    layout->addLayout(row);
  }
  auto* divider = new QFrame;
  divider->setFrameShape(QFrame::HLine);
  divider->setStyleSheet("color: #E3E8E5;");
  layout->addWidget(divider);
  auto addLine = [&](const QString& name, const QString& value, const char* role) {
    auto* row = new QHBoxLayout;
    row->addWidget(label(name, role));
    row->addStretch(1);
    row->addWidget(label(value, role));
    layout->addLayout(row);
  };
  addLine("Subtotal", kCartTotalShown, "muted");
  addLine("Delivery", "Free", "muted");
  addLine("Total", kCartTotalShown, "total");
  return card;
}

QWidget* DemoShopWindow::makePaymentCard() {
  QFrame* card = makeCard();
  auto* layout = new QVBoxLayout(card);
  layout->setContentsMargins(18, 16, 18, 16);
  layout->setSpacing(8);
  layout->addWidget(label("Pay with", "heading"));
  kinds_ = new QButtonGroup(this);
  for (const OrderKind& kind : OrderKind::all()) layout->addWidget(makeKindOption(kind));
  kinds_->buttons().first()->setChecked(true);

  auto* form = new QGridLayout;
  form->setHorizontalSpacing(10);
  form->addWidget(label("Phone", "muted"), 0, 0);
  phone_ = new QLineEdit("9876543210");
  phone_->setAccessibleName("Phone number");
  form->addWidget(phone_, 0, 1);
  form->addWidget(label("Sandbox", "muted"), 1, 0);
  scenario_ = new QComboBox;
  scenario_->setAccessibleName("Sandbox scenario");
  for (const Scenario& scenario : Scenario::all())
    scenario_->addItem(scenario.label, scenario.name);
  form->addWidget(scenario_, 1, 1);
  layout->addLayout(form);

  payButton_ = new QPushButton(QString("Pay %1").arg(kCartTotalShown));
  payButton_->setObjectName("payButton");
  payButton_->setCursor(Qt::PointingHandCursor);
  connect(payButton_, &QPushButton::clicked, this, &DemoShopWindow::pay);
  layout->addSpacing(6);
  layout->addWidget(payButton_);
  return card;
}

// A row of the "Pay with" list: the option's title on the radio button, a muted line below.
QWidget* DemoShopWindow::makeKindOption(const OrderKind& kind) {
  auto* row = new QFrame;
  row->setProperty("option", true);
  auto* layout = new QVBoxLayout(row);
  layout->setContentsMargins(8, 6, 8, 6);
  layout->setSpacing(0);
  auto* option = new QRadioButton(kind.title);
  option->setObjectName(kind.id);
  option->setAccessibleName(kind.title);
  option->setAccessibleDescription(kind.subtitle);
  kinds_->addButton(option);
  layout->addWidget(option);
  QLabel* subtitle = label(kind.subtitle, "muted");
  subtitle->setContentsMargins(26, 0, 0, 0);
  layout->addWidget(subtitle);
  connect(option, &QRadioButton::toggled, row, [row](bool checked) {
    row->setProperty("checked", checked);
    row->style()->unpolish(row);
    row->style()->polish(row);
  });
  return row;
}

QWidget* DemoShopWindow::makeOutcomesCard() {
  QFrame* card = makeCard();
  auto* layout = new QVBoxLayout(card);
  layout->setContentsMargins(18, 16, 18, 16);
  layout->setSpacing(8);
  layout->addWidget(label("What the shop heard", "heading"));
  noOutcomes_ = label("No checkout yet. Each checkout lists every outcome it reported.", "muted");
  noOutcomes_->setWordWrap(true);
  layout->addWidget(noOutcomes_);
  outcomeList_ = new QVBoxLayout;
  outcomeList_->setSpacing(10);
  layout->addLayout(outcomeList_);
  return card;
}

// One column on a phone; on a wide window the cart sits beside payment and outcomes.
void DemoShopWindow::arrangeColumns() {
  for (QWidget* card : {cartCard_, paymentCard_, outcomesCard_}) columns_->removeWidget(card);
  QLayoutItem* spacer = nullptr;
  while ((spacer = columns_->takeAt(0)) != nullptr) delete spacer;
  if (wide_) {
    columns_->addWidget(cartCard_, 0, 0);
    columns_->addWidget(outcomesCard_, 1, 0);
    columns_->addWidget(paymentCard_, 0, 1, 2, 1, Qt::AlignTop);
    columns_->setRowStretch(1, 1);
    columns_->setColumnStretch(0, 1);
    columns_->setColumnStretch(1, 1);
  } else {
    columns_->addWidget(cartCard_, 0, 0);
    columns_->addWidget(paymentCard_, 1, 0);
    columns_->addWidget(outcomesCard_, 2, 0);
    columns_->setRowStretch(1, 0);
    columns_->setColumnStretch(1, 0);
    columns_->setRowStretch(3, 1);
  }
}

void DemoShopWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  const bool wide = width() >= kWideLayoutWidth;
  if (wide == wide_) return;
  wide_ = wide;
  arrangeColumns();
}

void DemoShopWindow::selectKind(const QString& kindId) {
  for (QAbstractButton* option : kinds_->buttons()) {
    if (option->objectName() == kindId) option->setChecked(true);
  }
}

void DemoShopWindow::selectScenario(const QString& scenario) {
  const int index = scenario_->findData(scenario);
  if (index >= 0) scenario_->setCurrentIndex(index);
}

QPushButton* DemoShopWindow::payButton() const { return payButton_; }

const std::map<int, FlowRecord>& DemoShopWindow::flows() const { return flows_; }

const tarvel::Dictionary& DemoShopWindow::orderOf(int serial) const { return orders_.at(serial); }

// One entry object per checkout, each with its own delegate: the host can tell its
// checkouts' outcomes apart, and count them.
void DemoShopWindow::pay() {
  const OrderKind* kind = OrderKind::find(kinds_->checkedButton()->objectName());
  const int serial = nextSerial_++;
  const tarvel::Dictionary order =
      makeOrder(*kind, scenario_->currentData().toString(), phone_->text(), kCartTotal, serial);
  flows_[serial] = FlowRecord{serial, kind->id, kind->title, 0, false, {}};
  orders_[serial] = order;
  auto checkout = std::make_shared<tarvel::TarvelCheckout>(
      production_, std::make_shared<FlowDelegate>(this, serial));
  checkouts_[serial] = checkout;
  refreshOutcomes();
  notification_->hide();  // an earlier flow's message is over
  emit checkoutStarted(serial);
  checkout->openCart(order);
  if (kind->orderType == "cod") notifyOtpWhenSent(order, kOtpLookups);
}

void DemoShopWindow::setSandbox(SandboxControl* sandbox) { sandbox_ = sandbox; }

// The sandbox sends no real SMS: the shop asks it for the code it issued and shows it the way a
// phone shows an incoming message.
void DemoShopWindow::notifyOtpWhenSent(const tarvel::Dictionary& order, int attemptsLeft) {
  if (!sandbox_ || attemptsLeft == 0) return;
  const QString moid = QString::fromStdString(order.value("moid", ""));
  const QString phone = QString::fromStdString(order.value("phone", ""));
  QPointer<DemoShopWindow> self(this);
  sandbox_->lastOtp(moid, phone, [self, order, attemptsLeft](const QString& otp) {
    if (!self) return;
    if (!otp.isEmpty()) {
      self->showNotification("Messages · now\nYour Tarvel OTP is " + otp);
      return;
    }
    QTimer::singleShot(kOtpLookupGapMs, self, [self, order, attemptsLeft] {
      if (self) self->notifyOtpWhenSent(order, attemptsLeft - 1);
    });
  });
}

void DemoShopWindow::showNotification(const QString& text) {
  notification_->setText(text);
  notification_->adjustSize();
  notification_->setGeometry(12, 12, width() - 24, notification_->sizeHint().height());
  notification_->show();
  notification_->raise();
  QTimer::singleShot(kNotificationMs, notification_, &QWidget::hide);
}

void DemoShopWindow::recoverUnfinishedCheckouts() {
  recovery_ = std::make_shared<tarvel::TarvelCheckout>(
      production_, std::make_shared<FlowDelegate>(this, kRecoveredSerial));
  recovery_->recoverUnfinishedCheckouts();
}

void DemoShopWindow::recordOutcome(int serial, bool status, const tarvel::Dictionary& data) {
  if (serial == kRecoveredSerial) {
    serial = nextSerial_++;
    const auto moid = data.find("moid");
    const QString order = moid != data.end() && moid->is_string()
                              ? QString::fromStdString(moid->get<std::string>())
                              : QString("an earlier order");
    flows_[serial] = FlowRecord{serial, kRecoveredKind, "Earlier run: " + order, 0, false, {}};
  }
  auto flow = flows_.find(serial);
  if (flow == flows_.end()) return;
  notification_->hide();  // the flow the message was for has ended
  ++flow->second.outcomes;
  flow->second.lastStatus = status;
  flow->second.lastData = data;
  refreshOutcomes();
  // Once the list has its new size, bring it into view.
  QTimer::singleShot(0, this, [this] { scroll_->ensureWidgetVisible(outcomesCard_, 0, 0); });
}

void DemoShopWindow::refreshOutcomes() {
  while (QLayoutItem* item = outcomeList_->takeAt(0)) {
    delete item->widget();
    delete item;
  }
  noOutcomes_->setVisible(flows_.empty());
  // Newest first.
  for (auto it = flows_.rbegin(); it != flows_.rend(); ++it) {
    const FlowRecord& flow = it->second;
    auto* row = new QWidget;
    auto* layout = new QGridLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setHorizontalSpacing(8);
    layout->addWidget(label(QString("#%1  %2").arg(flow.serial).arg(flow.title), "price"), 0, 0);
    QString chip = "waiting";
    QString text = "Waiting";
    if (flow.outcomes > 1) {
      chip = "duplicate";
      text = QString("%1 outcomes!").arg(flow.outcomes);
    } else if (flow.outcomes == 1) {
      chip = flow.lastStatus ? "success" : "failure";
      text = flow.lastStatus ? "Success · 1 outcome" : "Not paid · 1 outcome";
      if (flow.kindId == kRecoveredKind)
        text = flow.lastStatus ? "Recovered · paid" : "Recovered · not paid";
    }
    auto* status = new QLabel(text);
    status->setProperty("outcome", chip);
    layout->addWidget(status, 0, 1, Qt::AlignRight);
    if (flow.outcomes > 0) {
      auto* data = label(summary(flow.lastData), "data");
      data->setWordWrap(true);
      data->setTextInteractionFlags(Qt::TextSelectableByMouse);
      layout->addWidget(data, 1, 0, 1, 2);
    }
    layout->setColumnStretch(0, 1);
    outcomeList_->addWidget(row);
  }
}

}  // namespace demo
