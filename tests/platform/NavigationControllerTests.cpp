// Sequences of pushes, pops, removals, presentations and dismissals on a navigation controller
// shown as its own window over screen "a": the hooks each step runs, and the stack and chain of
// presentations after it.
#include <map>      // map
#include <memory>   // make_unique, unique_ptr
#include <sstream>  // istringstream
#include <string>   // string
#include <utility>  // exchange
#include <vector>   // vector

#include <QPointer>
#include <QPushButton>

#include <gtest/gtest.h>

#include "QtWait.h"
#include "tarvel/NavigationController.h"

namespace tarvel {
namespace {

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

}  // namespace
}  // namespace tarvel
