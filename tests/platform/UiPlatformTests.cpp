// The UI side of the platform layer. The host application's key window (the host window the
// component takes over) and alerts over it; sequences of pushes, pops, removals, presentations
// and dismissals on a navigation controller shown as its own window over screen "a" (the hooks
// each step runs, and the stack and chain of presentations after it); and opening another
// application's URL (through an injected registry of installed schemes, and through the
// default one, GIO's, reading a private XDG registry this process's start prepares). Opening the
// component's own window, and a plain window's single widget as its root, are covered through
// openCart by the entry tests.
#include <chrono>      // seconds
#include <cstdlib>     // setenv
#include <filesystem>  // create_directories, permissions
#include <fstream>     // ifstream
#include <iterator>    // istreambuf_iterator
#include <map>         // map
#include <memory>      // make_shared, make_unique, shared_ptr, unique_ptr
#include <optional>    // optional
#include <set>         // set
#include <sstream>     // istringstream
#include <string>      // string
#include <utility>     // exchange
#include <vector>      // vector

#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include "InstalledSchemesRegistry.h"
#include "QtTestMain.h"
#include "QtWait.h"
#include "TemporaryDirectory.h"
#include "platform/Alert.h"
#include "platform/Application.h"
#include "platform/KeyWindow.h"
#include "tarvel/NavigationController.h"

namespace tarvel {

// The file the registered handler writes the URL it was launched with into.
static std::string openedUrlFile;

// GIO reads the XDG variables once, so they are set before the QApplication exists: one handler,
// of "tarveltestpay", in a folder that lives until the tests have run.
std::shared_ptr<void> test::prepareTestProcess() {
  namespace fs = std::filesystem;
  auto folder = std::make_shared<test::TemporaryDirectory>();
  fs::create_directories(folder->path() / "data" / "applications");
  fs::create_directories(folder->path() / "config");
  openedUrlFile = folder->file("opened-url.txt");
  const std::string script =
      folder->write("record-url.sh", "#!/bin/sh\nprintf '%s' \"$1\" > \"" + openedUrlFile + "\"\n");
  fs::permissions(script, fs::perms::owner_all);
  folder->write("data/applications/tarvel-test-pay.desktop",
                "[Desktop Entry]\nType=Application\nName=Tarvel Test Pay\nExec=" + script +
                    " %u\nNoDisplay=true\nMimeType=x-scheme-handler/tarveltestpay;\n");
  folder->write("config/mimeapps.list",
                "[Default Applications]\nx-scheme-handler/tarveltestpay=tarvel-test-pay.desktop\n");
  setenv("XDG_DATA_HOME", (folder->path() / "data").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (folder->path() / "config").c_str(), 1);
  return folder;
}

namespace {

using detail::Alert;
using detail::Application;
using detail::KeyWindow;

TEST(KeyWindowTests, TheHostsVisibleWindowIsTheKeyWindowAndAlertsAreSkipped) {
  QMainWindow hidden;
  QMainWindow host;
  host.show();
  EXPECT_EQ(KeyWindow::currentOrOpen(), &host);

  auto alert = std::make_unique<Alert>("Alert", "No Network");
  alert->showOver(&host);
  alert->activateWindow();
  EXPECT_EQ(KeyWindow::current(), &host);
}

TEST(KeyWindowTests, SeveralWidgetsInTheLayoutAreGatheredIntoOneRootThatMovesAsAWhole) {
  QWidget host;
  auto* layout = new QVBoxLayout(&host);
  auto* top = new QLabel("top");
  layout->addWidget(top);
  layout->addWidget(new QLabel("bottom"));
  host.show();

  QWidget* root = KeyWindow::rootWidget(&host);
  ASSERT_NE(root, nullptr);
  EXPECT_TRUE(root->isAncestorOf(top));
  EXPECT_EQ(KeyWindow::rootWidget(&host), root) << "gathered once";
  EXPECT_TRUE(top->isVisible());

  auto* screen = new ViewController;
  std::unique_ptr<QWidget> former(KeyWindow::setRootWidget(&host, screen));
  EXPECT_EQ(former.get(), root) << "taken out, not deleted";
  EXPECT_EQ(former->parentWidget(), nullptr);
  EXPECT_EQ(KeyWindow::rootViewController(&host), screen);
  EXPECT_TRUE(screen->isVisible());
}

// A screen that writes each lifecycle hook into a shared journal as "<name>.<hook>".
class Screen : public ViewController {
 public:
  Screen(const std::string& name, std::string* journal) : journal_(journal) {
    setObjectName(QString::fromStdString(name));
  }
  void viewDidLoad() override { note("load"); }
  void viewWillAppear(bool) override { note("willAppear"); }
  void viewDidAppear(bool) override { note("didAppear"); }
  void viewWillDisappear(bool) override { note("willDisappear"); }
  void viewDidDisappear(bool) override { note("didDisappear"); }

 private:
  void note(const char* hook) {
    *journal_ += (journal_->empty() ? "" : " ") + objectName().toStdString() + "." + hook;
  }
  std::string* journal_;
};

// A navigation controller shown as its own window over screen "a", run by steps written
// "<subject> <verb> [<object>]": "nav push b", "nav pop", "nav remove b", "nav hide", "nav show",
// "nav present c", "b present c", "c dismiss". A screen named for the first time is made, with
// a left navigation item; "[x]" is a navigation controller holding a new screen "x".
class Stage {
 public:
  Stage() : nav_(std::make_unique<NavigationController>(screen("a"))) {
    nav_->resize(414, 896);
    nav_->show();
    journal_.clear();
  }

  // False when the controller refused the step.
  bool run(const std::string& step) {
    std::istringstream words(step);
    std::string subject, verb, object;
    words >> subject >> verb >> object;
    ViewController* target = object.empty() ? nullptr : screen(object);
    const auto completed = [this] { ++completions_; };
    if (verb == "present" && !screen(subject)->present(target, true, completed)) return false;
    if (verb == "dismiss") screen(subject)->dismiss(true, completed);
    calls_ += verb == "present" || verb == "dismiss";
    if (verb == "push") nav_->pushViewController(target, true);
    if (verb == "pop") return nav_->popViewController(true) != nullptr;
    if (verb == "remove") return nav_->removeViewController(target, true);
    if (verb == "hide" || verb == "show") nav_->setVisible(verb == "show");
    return true;
  }

  // The stack bottom to top (only its top visible), then each presentation after a "|" (each
  // covering the controller).
  std::string state() const {
    std::string text;
    const QList<ViewController*> stack = nav_->viewControllers();
    for (ViewController* screen : stack) {
      text += (text.empty() ? "" : " ") + name(screen);
      EXPECT_EQ(screen->navigationController(), nav_.get());
      EXPECT_EQ(screen->isVisible(), screen == stack.back() && nav_->isVisible()) << text;
    }
    ViewController* host = nav_.get();
    for (ViewController* shown = host->presentedViewController(); shown;
         shown = (host = shown)->presentedViewController()) {
      text += " | " + name(shown);
      EXPECT_EQ(shown->presentingViewController(), host);
      EXPECT_EQ(shown->geometry(), nav_->rect());
    }
    return text;
  }
  // After the deletions queued ran: a screen named in `shown` but not in `state()` is gone,
  // and its left navigation item with it; each presentation or dismissal that took place
  // completed once.
  void expectGoneUnlessShown(const std::string& shown) {
    test::settle();
    EXPECT_EQ(completions_, calls_);
    const std::string now = state();
    for (const auto& [name, screen] : screens_) {
      if (shown.find(name) == shown.npos || now.find(name) != now.npos) continue;
      EXPECT_TRUE(screen.isNull()) << name;
      EXPECT_TRUE(items_[name].isNull()) << name;
    }
  }

  std::string journal_;

 private:
  ViewController* screen(const std::string& name) {
    if (name == "nav") return nav_.get();
    if (!screens_[name] && name.front() == '[') {
      screens_[name] = new NavigationController(screen(name.substr(1, name.size() - 2)));
      screens_[name]->setObjectName(QString::fromStdString(name));
    } else if (!screens_[name]) {
      screens_[name] = new Screen(name, &journal_);
      screens_[name]->setLeftNavigationItem(items_[name] = new QPushButton("<"));
    }
    return screens_[name];
  }
  static std::string name(ViewController* screen) { return screen->objectName().toStdString(); }

  std::map<std::string, QPointer<ViewController>> screens_;
  std::map<std::string, QPointer<QWidget>> items_;
  int calls_ = 0, completions_ = 0;
  std::unique_ptr<NavigationController> nav_;
};

TEST(NavigationControllerTests, EachStepRunsItsHooksInOrderAndLeavesTheStackItShould) {
  struct Step {
    const char* step;
    const char* hooks;  // "refused": the controller refused the step, and ran none
    const char* state;
  };
  const char* pushB = "b.load a.willDisappear b.willAppear a.didDisappear b.didAppear";
  const std::vector<std::vector<Step>> sequences = {
      {{"nav push b", pushB, "a b"},
       {"nav pop", "b.willDisappear a.willAppear b.didDisappear a.didAppear", "a"},
       {"nav pop", "refused", "a"}},  // the bottom screen is never popped
      // A screen of the stack presents over the whole controller.
      {{"nav push b", pushB, "a b"},
       {"b present c", "c.load b.willDisappear c.willAppear b.didDisappear c.didAppear", "a b | c"},
       {"b dismiss", "c.willDisappear b.willAppear c.didDisappear b.didAppear", "a b"},
       {"a dismiss", "", "a b"}},  // nothing to dismiss: it completes
      // Hooks follow the window, and reach a presented navigation's top.
      {{"nav hide", "a.willDisappear a.didDisappear", "a"},
       {"nav push b", "b.load", "a b"},
       {"nav show", "b.willAppear b.didAppear", "a b"},
       {"nav present [x]", "x.load b.willDisappear x.willAppear b.didDisappear x.didAppear",
        "a b | [x]"},
       {"nav hide", "x.willDisappear x.didDisappear", "a b | [x]"},
       {"nav show", "x.willAppear x.didAppear", "a b | [x]"},
       {"x dismiss", "x.willDisappear b.willAppear x.didDisappear b.didAppear", "a b"}},
      // A finished screen leaves the stack wherever it is: covered, without hooks.
      {{"nav push b", pushB, "a b"},
       {"nav push c", "c.load b.willDisappear c.willAppear b.didDisappear c.didAppear", "a b c"},
       {"nav remove b", "", "a c"},
       {"nav remove c", "c.willDisappear a.willAppear c.didDisappear a.didAppear", "a"},
       {"nav remove a", "refused", "a"}},  // the bottom, as one not on the stack
      // Presentations stack; a covered one closes alone and the one above takes its place.
      {{"nav present c", "c.load a.willDisappear c.willAppear a.didDisappear c.didAppear", "a | c"},
       {"nav present d", "d.load c.willDisappear d.willAppear c.didDisappear d.didAppear",
        "a | c | d"},
       {"nav present d", "refused", "a | c | d"},
       {"nav present nav", "refused", "a | c | d"},
       {"c dismiss", "", "a | d"},
       {"d dismiss", "d.willDisappear a.willAppear d.didDisappear a.didAppear", "a"}},
  };
  for (const auto& sequence : sequences) {
    Stage stage;
    std::string shown;  // every state the sequence went through
    for (const Step& step : sequence) {
      SCOPED_TRACE(step.step);
      const bool done = stage.run(step.step);
      EXPECT_EQ(done ? std::exchange(stage.journal_, {}) : "refused" + stage.journal_, step.hooks);
      EXPECT_EQ(stage.state(), step.state);
      shown += step.state;
    }
    stage.expectGoneUnlessShown(shown);
  }
}

// A tap on a button or Escape (the cancel action; without one the alert stays) runs one
// handler once, after the alert closed, so a handler may show the next alert.
TEST(AlertTests, EachTapRunsItsHandlerOnceAfterTheAlertClosed) {
  QWidget window;
  window.show();
  QWidget inner(&window);
  for (const bool escape : {false, true}) {
    SCOPED_TRACE(escape ? "Escape" : "button");
    int okRuns = 0, cancelRuns = 0;
    QPointer<Alert> alert = new Alert("Alert", "No Network");
    const auto tapped = [](int& runs) {
      return [&runs] {
        ++runs;
        EXPECT_TRUE(Alert::openAlerts().isEmpty());
      };
    };
    alert->addAction("OK", Alert::ActionStyle::defaultStyle, tapped(okRuns));
    alert->showOver(&inner);
    EXPECT_EQ(alert->windowModality(), Qt::WindowModal);
    alert->reject();
    EXPECT_EQ(Alert::openAlerts(), QList<Alert*>{alert}) << "no cancel action: stays open";
    alert->addAction("CANCEL", Alert::ActionStyle::cancel, tapped(cancelRuns));
    EXPECT_FALSE(alert->triggerAction("Nope"));

    escape ? alert->reject() : alert->findChildren<QPushButton*>().front()->click();
    EXPECT_FALSE(alert->triggerAction("OK")) << "a closed alert takes no more taps";
    EXPECT_EQ(okRuns, escape ? 0 : 1);
    EXPECT_EQ(cancelRuns, escape ? 1 : 0);
    test::settle();
    EXPECT_FALSE(alert);
  }
}

// Opens `url` through the application and waits (bounded) for its completion.
std::optional<bool> openAndWait(const std::string& url) {
  std::optional<bool> result;
  QThread* completedOn = nullptr;
  Application::shared()->open(url, [&](bool launched) {
    result = launched;
    completedOn = QThread::currentThread();
  });
  EXPECT_FALSE(result.has_value()) << "the completion comes in a later turn";
  EXPECT_TRUE(
      test::processEventsUntil([&] { return result.has_value(); }, std::chrono::seconds(20)));
  EXPECT_EQ(completedOn, QCoreApplication::instance()->thread());
  return result;
}

TEST(ApplicationTests, AnInjectedRegistryAnswersForSchemesInAnyCase) {
  auto registry =
      std::make_shared<test::InstalledSchemesRegistry>(std::set<std::string>{"phonepe"});
  Application::setUrlSchemeRegistry(registry);
  Application* app = Application::shared();
  EXPECT_TRUE(app->canOpenURL("PhonePe://app"));
  EXPECT_FALSE(app->canOpenURL("paytm://app"));
  EXPECT_FALSE(app->canOpenURL("no scheme here"));
  EXPECT_EQ(registry->probedSchemes(), (std::vector<std::string>{"phonepe", "paytm"}));
  // (Launches through the registry, with the link unchanged or failing: the UPI screen's tests;
  // the completion's turn and thread: the GIO registry's test.)
  Application::setUrlSchemeRegistry(nullptr);
}

// The default registry launches the handler from a thread of its own; a link longer than the
// system passes to a process is reported as not launched.
TEST(GioUrlSchemeRegistryTests, LaunchesTheRegisteredHandlerWithThePercentEscapesIntact) {
  Application::setUrlSchemeRegistry(nullptr);
  EXPECT_FALSE(Application::shared()->canOpenURL("tarvelnosuchscheme://x"));
  const std::string url = "tarveltestpay://upi/pay?pa=shop%40bank&pn=Tarvel%20Shop&tn=Order%23123";
  ASSERT_EQ(openAndWait(url), true);
  EXPECT_TRUE(test::processEventsUntil([&] {
    std::ifstream file(openedUrlFile);
    return std::string(std::istreambuf_iterator<char>(file), {}) == url;
  })) << "the handler never ran with the URL intact";
  EXPECT_EQ(openAndWait(url + "&tn=" + std::string(256 * 1024, 'x')), false);
}

}  // namespace
}  // namespace tarvel
