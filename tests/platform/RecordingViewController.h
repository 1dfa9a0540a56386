#pragma once

#include <memory>  // shared_ptr
#include <string>  // string
#include <vector>  // vector

#include "tarvel/ViewController.h"

namespace tarvel::test {

/// A screen that writes each lifecycle hook into a shared journal as "<name>.<hook>".
class RecordingViewController : public ViewController {
 public:
  using Journal = std::vector<std::string>;

  RecordingViewController(std::string name, std::shared_ptr<Journal> journal)
      : name_(std::move(name)), journal_(std::move(journal)) {}

  void viewDidLoad() override { note("viewDidLoad"); }
  void viewWillAppear(bool) override { note("viewWillAppear"); }
  void viewDidAppear(bool) override { note("viewDidAppear"); }
  void viewWillDisappear(bool) override { note("viewWillDisappear"); }
  void viewDidDisappear(bool) override { note("viewDidDisappear"); }

 private:
  void note(const char* hook) { journal_->push_back(name_ + "." + hook); }

  std::string name_;
  std::shared_ptr<Journal> journal_;
};

}  // namespace tarvel::test
