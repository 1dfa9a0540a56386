#include "SandboxTestSupport.h"

#include <gtest/gtest.h>
#include <stdlib.h>  // mkdtemp

#include <system_error>  // error_code

namespace tarvel::sandbox::testing {
namespace {

Answer toAnswer(const httplib::Result& result) {
  Answer answer;
  if (!result) return answer;
  answer.status = result->status;
  answer.raw = result->body;
  answer.json = nlohmann::json::parse(result->body, nullptr, false);
  return answer;
}

}  // namespace

Clock ManualClock::clock() {
  auto offset = offset_;
  const auto start = std::chrono::steady_clock::now();
  return [offset, start] { return start + std::chrono::nanoseconds(offset->load()); };
}

void ManualClock::advance(std::chrono::nanoseconds by) { *offset_ += by.count(); }

SandboxOptions RunningSandbox::plainOptions() {
  SandboxOptions options;
  options.https = false;
  options.slowDelay = std::chrono::milliseconds(300);
  return options;
}

RunningSandbox::RunningSandbox(SandboxOptions options) {
  auto lines = lines_;
  auto* mutex = &linesMutex_;
  options.console = [lines, mutex](std::string_view line) {
    std::lock_guard lock(*mutex);
    lines->emplace_back(line);
  };
  server_ = std::make_unique<SandboxServer>(std::move(options));
  if (!server_->start()) ADD_FAILURE() << "sandbox did not start: " << server_->error();
}

RunningSandbox::~RunningSandbox() { server_->stop(); }

std::vector<std::string> RunningSandbox::consoleLines() const {
  std::lock_guard lock(linesMutex_);
  return *lines_;
}

std::unique_ptr<httplib::Client> RunningSandbox::client() const {
  auto client = std::make_unique<httplib::Client>(server_->origin());
  if (server_->https()) client->set_ca_cert_path(server_->caFile().c_str());
  client->set_connection_timeout(5);
  client->set_read_timeout(10);
  return client;
}

Answer RunningSandbox::post(const std::string& path, const nlohmann::json& body) const {
  return postRaw(path, body.dump());
}

Answer RunningSandbox::postRaw(const std::string& path, const std::string& body) const {
  return toAnswer(client()->Post(path, body, "application/json"));
}

Answer RunningSandbox::get(const std::string& path) const { return toAnswer(client()->Get(path)); }

nlohmann::json RunningSandbox::verify(const nlohmann::json& order) const {
  const auto answer = post("/api/v1/order/verify", order);
  EXPECT_EQ(answer.status, 200) << answer.raw;
  if (!answer.json.is_object() || !answer.json.contains("data")) return nlohmann::json::object();
  return answer.json["data"];
}

Answer RunningSandbox::capture(const nlohmann::json& verified) const {
  return post("/api/v1/payment/capture", {{"tarvel_oid", verified.value("tarvel_oid", "")},
                                          {"auth_token", verified.value("auth_token", "")}});
}

TemporaryFolder::TemporaryFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tarvel-sandbox-test-XXXXXX");
  if (mkdtemp(pattern.data())) path_ = pattern;
}

TemporaryFolder::~TemporaryFolder() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

}  // namespace tarvel::sandbox::testing
