// The four digit fields under real key events: typing, corrections, pastes, one-time codes,
// and the submit button that follows them.
#include <QClipboard>
#include <QInputMethodEvent>

#include "../ScreenTestFixture.h"

namespace tarvel::test {
namespace {

class OtpDigitEntryTests : public ScreenTest {
 public:
  // The OTP panel with the fields holding `texts` ("1.3." : "1", "", "3", ""), the focus in
  // field `focus`.
  void enter(const char* texts, int focus) {
    openOtp(codOrder());
    answerLoad();
    for (int n = 1; n <= 4; ++n)
      field(n)->setText(texts[n - 1] == '.' ? "" : QString(texts[n - 1]));
    otp_->buttonInteraction();
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
    // t: type, b: backspace, d: Home then Delete, p: paste, i: input method commit, s: set field 1
    const char* act;
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
      {"123.", 2, "d", "1.3.", 1, false},   // a deletion is a backspace too
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
    if (row.act[0] == 'd') {
      typeKey(Qt::Key_Home);
      typeKey(Qt::Key_Delete);
    }
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
  openOtp(codOrder());
  answerVerify();
  field(1)->setFocus();
  typeText("1234");
  EXPECT_FALSE(button("buttonSubmitOTP")->isEnabled());
  complete("sendOtp", Dictionary{{"message", "OTP sent"}});
  EXPECT_TRUE(button("buttonSubmitOTP")->isEnabled());
}

}  // namespace
}  // namespace tarvel::test
