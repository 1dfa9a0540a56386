// The four digit fields under real key events: typing, corrections, pastes, one-time codes,
// and the submit button that follows them.
#include <QClipboard>
#include <QInputMethodEvent>

#include "OtpScreenFixture.h"
#include "tarvel/BackSpaceDelegate.h"
#include "tarvel/CustomTextField.h"
#include "tarvel/TextFieldDelegate.h"

namespace tarvel::test {
namespace {

class OtpDigitEntryTests : public OtpScreenFixture {
 public:
  // The OTP panel with the fields holding `texts` ("1.3." : "1", "", "3", ""), the focus in
  // field `focus`.
  void enter(const char* texts, int focus) {
    open(codOrder());
    answerLoad();
    for (int n = 1; n <= 4; ++n)
      field(n)->setText(texts[n - 1] == '.' ? "" : QString(texts[n - 1]));
    screen_->buttonInteraction();
    field(focus)->setFocus();
    settle();
  }
  QString shownTexts() const {
    QString shown;
    for (const QString& text : fieldTexts()) shown += text.isEmpty() ? QString('.') : text;
    return shown;
  }
  void paste(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::ControlModifier);
    settle();
  }
};

TEST_F(OtpDigitEntryTests, EditsMoveTheFocusAndFillTheFields) {
  struct Row {
    const char* before;
    int focus;
    const char* act;  // t: type, b: backspace, p: paste, i: input method commit, s: set field 1
    const char* after;
    int focusAfter;  // 0: the focus has left the digit fields
    bool submitEnabled;
  };
  const Row rows[] = {
      {"....", 1, "t1234", "1234", 0, true},
      {"....", 1, "ta- ", "....", 1, false},  // a letter, a symbol or a space is refused
      // Digits of other scripts become ASCII: Devanagari 1, Arabic-Indic 2, full-width 3.
      {"....", 1, "t\u0967\u0662\uFF13", "123.", 4, false},
      {"12..", 2, "t7", "17..", 3, false},  // a key over a digit replaces it
      {"12..", 3, "b", "1...", 2, false},   // in an empty field: empties the one before
      {"123.", 3, "b", "12..", 2, false},   // over a digit: removes that digit only
      {"1...", 1, "b", "....", 1, false},
      {"....", 1, "b", "....", 0, false},
      {"1.34", 2, "p12", "1124", 4, true},  // a pasted pair fills from the field it lands in
      {"....", 1, "pCode: 48 21.", "4821", 0, true},  // a message gives up its digits
      {"....", 1, "p482173", "4821", 0, true},        // digits past the fourth are dropped
      {"....", 3, "p4821", "..48", 0, false},         // a code in another field fills from there
      {"1...", 2, "pabc", "1...", 2, false},          // a paste without digits is refused
      {"....", 1, "i\u0664\u0668\u0662\u0661", "4821", 0, true},  // an input method's code
      {"....", 1, "s4 8 2 1", "4821", 0, true},                   // a text set on a field
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.before) + " " + row.act);
    enter(row.before, row.focus);
    ASSERT_EQ(focusedField(), row.focus);
    const QString text = QString::fromUtf8(row.act + 1);
    if (row.act[0] == 't') typeText(text);
    if (row.act[0] == 'b') typeKey(Qt::Key_Backspace);
    if (row.act[0] == 'p') paste(text);
    if (row.act[0] == 's') field(1)->setText(text);
    if (row.act[0] == 'i') {
      QInputMethodEvent event;
      event.setCommitString(text);
      QApplication::sendEvent(QApplication::focusWidget(), &event);
      settle();
    }
    EXPECT_EQ(shownTexts(), row.after);
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
  enter("....", 1);
  paste("OTP \u0967\u0968\u0969\u096A0");  // Devanagari 1234 and a fifth digit
  QTest::mouseClick(button("buttonSubmitOTP"), Qt::LeftButton);
  settle();
  ASSERT_EQ(callCount("verifyOtp"), 1u);
  EXPECT_EQ(params("verifyOtp"),
            (Dictionary{{"phone", "9876500042"}, {"moid", "moid-R4nd0mK3y"}, {"otp", "1234"}}));
}

// The names and the paid flow from the keyboard are read on the accessibility bus; here the
// focus frame, which shows only when the focus came from the keyboard, and the resend button.
TEST_F(OtpDigitEntryTests, AFocusFrameOnlyFromTheKeyboardAndResendTakesTheKeyboard) {
  enter("....", 1);
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
  EXPECT_EQ(callCount("reSendOtp"), 1u);
  EXPECT_EQ(callCount("verifyOtp"), 0u);
}

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
  for (Qt::Key key : {Qt::Key_Home, Qt::Key_Delete, Qt::Key_End, Qt::Key_Backspace}) {
    QTest::keyClick(field, key);
  }
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

}  // namespace
}  // namespace tarvel::test
