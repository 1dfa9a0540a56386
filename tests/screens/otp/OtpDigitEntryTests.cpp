// The four digit fields under real key events: typing, corrections, pastes, one-time codes,
// and the submit button that follows them.
#include <functional>  // function

#include <QClipboard>
#include <QInputMethodEvent>

#include "OtpScreenFixture.h"
#include "tarvel/BackSpaceDelegate.h"
#include "tarvel/BottomBorder.h"
#include "tarvel/CustomTextField.h"
#include "tarvel/TextFieldDelegate.h"

namespace tarvel::test {
namespace {

class OtpDigitEntryTests : public OtpScreenFixture {
 public:
  // The OTP panel with the fields holding `texts`, the focus in field `focus`.
  void enter(const QStringList& texts, int focus) {
    open(codOrder());
    answerLoad();
    for (int n = 1; n <= 4; ++n) field(n)->setText(texts[n - 1]);
    screen_->buttonInteraction();
    field(focus)->setFocus();
    settle();
  }
  void paste(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
    pressShortcut(Qt::Key_V, Qt::ControlModifier);
  }
  void commitFromInputMethod(const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(QApplication::focusWidget(), &event);
    settle();
  }
};

struct EntryRow {
  const char* name;
  QStringList before;
  int focus;
  std::function<void(OtpDigitEntryTests&)> act;
  QStringList after;
  int focusAfter;  // 0: the focus has left the digit fields
  bool submitEnabled;
};

TEST_F(OtpDigitEntryTests, EditsMoveTheFocusAndFillTheFields) {
  const QStringList empty = {"", "", "", ""};
  auto type = [](const char* text) { return [text](OtpDigitEntryTests& t) { t.typeText(text); }; };
  auto backspace = [](OtpDigitEntryTests& t) { t.typeKey(Qt::Key_Backspace); };
  auto paste = [](const char* text) { return [text](OtpDigitEntryTests& t) { t.paste(text); }; };
  const QStringList code = {"4", "8", "2", "1"};
  const std::vector<EntryRow> rows = {
      {"four digits", empty, 1, type("1234"), {"1", "2", "3", "4"}, 0, true},
      {"a letter, a symbol or a space is refused", empty, 1, type("a- "), empty, 1, false},
      {"digits of other scripts become ASCII",
       empty,
       1,
       type("\u0967\u0662\uFF13"),  // Devanagari 1, Arabic-Indic 2, full-width 3
       {"1", "2", "3", ""},
       4,
       false},
      {"a key over a digit replaces it",
       {"1", "2", "", ""},
       2,
       type("7"),
       {"1", "7", "", ""},
       3,
       false},
      {"backspace in an empty field empties the one before",
       {"1", "2", "", ""},
       3,
       backspace,
       {"1", "", "", ""},
       2,
       false},
      {"backspace over a digit removes that digit only",
       {"1", "2", "3", ""},
       3,
       backspace,
       {"1", "2", "", ""},
       2,
       false},
      {"backspace over the first digit", {"1", "", "", ""}, 1, backspace, empty, 1, false},
      {"backspace in the empty first field leaves the fields", empty, 1, backspace, empty, 0,
       false},
      {"a pasted pair fills from the field it lands in",
       {"1", "", "3", "4"},
       2,
       paste("12"),
       {"1", "1", "2", "4"},
       4,
       true},
      {"a pasted message gives up its digits", empty, 1, paste("Code: 48 21."), code, 0, true},
      {"digits past the fourth field are dropped", empty, 1, paste("482173"), code, 0, true},
      {"a code in another field fills from there",
       empty,
       3,
       paste("4821"),
       {"", "", "4", "8"},
       0,
       false},
      {"a paste without digits is refused",
       {"1", "", "", ""},
       2,
       paste("abc"),
       {"1", "", "", ""},
       2,
       false},
      {"a code from the input method spreads", empty, 1,
       [](OtpDigitEntryTests& t) { t.commitFromInputMethod("\u0664\u0668\u0662\u0661"); }, code, 0,
       true},
      {"a text set on a field spreads", empty, 1,
       [](OtpDigitEntryTests& t) { t.field(1)->setText("4 8 2 1"); }, code, 0, true},
  };
  for (const EntryRow& row : rows) {
    SCOPED_TRACE(row.name);
    enter(row.before, row.focus);
    ASSERT_EQ(focusedField(), row.focus);
    row.act(*this);
    EXPECT_EQ(fieldTexts(), row.after);
    EXPECT_EQ(focusedField(), row.focusAfter);
    EXPECT_EQ(button("buttonSubmitOTP")->isEnabled(), row.submitEnabled);
    closeAll();
  }
}

TEST_F(OtpDigitEntryTests, FieldsWaitForTheOtpToBeSent) {
  open(codOrder());
  complete("verifyPaymentData", verifiedAnswer());
  field(1)->setFocus();
  typeText("1234");
  EXPECT_FALSE(button("buttonSubmitOTP")->isEnabled());
  complete("sendOtp", Dictionary{{"message", "OTP sent"}});
  EXPECT_TRUE(button("buttonSubmitOTP")->isEnabled());
}

TEST_F(OtpDigitEntryTests, TheSubmittedOtpIsFourAsciiDigits) {
  enter({"", "", "", ""}, 1);
  paste("OTP \u0967\u0968\u0969\u096A0");  // Devanagari 1234 and a fifth digit
  QTest::mouseClick(button("buttonSubmitOTP"), Qt::LeftButton);
  settle();
  ASSERT_EQ(callCount("verifyOtp"), 1);
  EXPECT_EQ(service_->calls[callIndex("verifyOtp")].params["otp"], "1234");
}

// The names and the paid flow from the keyboard are read on the accessibility bus; here the
// focus frame, which shows only when the focus came from the keyboard, and the resend button.
TEST_F(OtpDigitEntryTests, AFocusFrameOnlyFromTheKeyboardAndResendTakesTheKeyboard) {
  enter({"", "", "", ""}, 1);
  EXPECT_FALSE(field(1)->property("keyboardFocus").toBool()) << "no focus frame at load";
  for (int n = 2; n <= 4; ++n) {
    typeKey(Qt::Key_Tab);
    EXPECT_EQ(focusedField(), n);
    EXPECT_TRUE(field(n)->property("keyboardFocus").toBool());
  }
  QTest::mouseClick(screen_, Qt::LeftButton, {}, QPoint(2, screen_->height() - 2));
  EXPECT_EQ(focusedField(), 0) << "a click on the background ends editing";

  clock_->advance(std::chrono::seconds(30));
  field(1)->setFocus();
  typeText("1234");
  typeKey(Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), button("buttonResendOTP"));
  typeKey(Qt::Key_Space);
  EXPECT_EQ(callCount("reSendOtp"), 1);
  EXPECT_EQ(callCount("verifyOtp"), 0);
}

}  // namespace
}  // namespace tarvel::test

namespace tarvel::test {
namespace {

// Records what a field offers and refuses it all, and hears the backspace key.
struct RefusingDelegate : TextFieldDelegate, BackSpaceDelegate {
  bool textFieldShouldChangeCharactersIn(QLineEdit*, int start, int length,
                                         const QString& text) override {
    offers << QString("%1+%2:%3").arg(start).arg(length).arg(text);
    return false;
  }
  void textFieldDidDeleteBackward(QLineEdit*, bool wasEmpty) override {
    backspaces.push_back(wasEmpty);
  }
  QStringList offers;
  std::vector<bool> backspaces;
};

TEST(CustomTextFieldTests, EveryEditIsOfferedFirstAndBackspaceIsReported) {
  QWidget window;
  auto* field = new CustomTextField(&window);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

  // Without a delegate the field edits like any line edit.
  QTest::keyClicks(field, "ab");
  QTest::keyClick(field, Qt::Key_Backspace);
  EXPECT_EQ(field->text(), "a");

  RefusingDelegate delegate;
  field->setDelegate(&delegate);
  field->setBackSpaceDelegate(&delegate);
  QTest::keyClick(field, 'x');
  QGuiApplication::clipboard()->setText("42");
  QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
  QTest::keyClick(field, Qt::Key_Home);
  QTest::keyClick(field, Qt::Key_Delete);
  QTest::keyClick(field, Qt::Key_End);
  QTest::keyClick(field, Qt::Key_Backspace);
  QInputMethodEvent commit;
  commit.setCommitString("7");
  QApplication::sendEvent(field, &commit);
  EXPECT_EQ(field->text(), "a");
  EXPECT_EQ(delegate.offers, (QStringList{"1+0:x", "1+0:42", "0+1:", "0+1:", "1+0:7"}));

  field->setDelegate(nullptr);
  field->clear();
  QTest::keyClick(field, Qt::Key_Backspace);
  EXPECT_EQ(delegate.backspaces, (std::vector<bool>{false, true}));
}

TEST(CustomTextFieldTests, BottomBorderIsOneLineAlongTheBottomEdge) {
  QWidget window;
  window.setStyleSheet("QWidget { background: #000000; }");
  auto* field = new QLineEdit(&window);
  field->setGeometry(10, 10, 120, 40);
  window.resize(200, 100);
  addBottomBorder(field);
  addBottomBorder(field);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  EXPECT_FALSE(field->hasFrame());
  EXPECT_EQ(field->findChildren<QWidget*>("bottomBorder").size(), 1);
  QImage shot = field->grab().toImage();
  EXPECT_EQ(shot.pixelColor(60, 39), QColor(Qt::white));
  EXPECT_NE(shot.pixelColor(60, 37), QColor(Qt::white));

  field->resize(160, 50);
  addBottomBorder(field, QColor(0x0A, 0x9C, 0x4D));
  shot = field->grab().toImage();
  EXPECT_EQ(shot.pixelColor(150, 49), QColor(0x0A, 0x9C, 0x4D));
}

}  // namespace
}  // namespace tarvel::test
