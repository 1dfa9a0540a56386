// Any bytes as the platform's answer, under any status and for each answer shape: the handler
// completes exactly once, with either an object or an error, never both and never neither;
// without an answer the error is "No Network".
#include <cstddef>  // size_t
#include <cstdint>  // uint8_t
#include <cstdlib>  // abort
#include <optional>
#include <string>
#include <string_view>

#include "network/AnswerHandler.h"
#include "tarvel/Log.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  tarvel::setLogSink([](std::string_view) {});  // the handler logs every answer
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using tarvel::detail::AnswerShape;
  if (size < 2) return 0;
  static constexpr long kStatuses[] = {200, 201, 204, 301, 400, 404, 500, 503};
  const AnswerShape shape = static_cast<AnswerShape>(data[0] % 3);
  const bool answered = (data[1] & 0x80) == 0;
  tarvel::detail::UrlLoadResult result;
  if (answered) result.statusCode = kStatuses[data[1] % 8];
  result.failure = answered ? "" : "connection reset";
  result.body.assign(reinterpret_cast<const char*>(data + 2), size - 2);

  int calls = 0;
  bool succeeded = false;
  std::optional<tarvel::Dictionary> response;
  std::optional<tarvel::APIError> error;
  auto handler =
      tarvel::detail::answerHandler("https://api.invalid/v1/order/verify", shape,
                                    [&](bool success, std::optional<tarvel::Dictionary> gotResponse,
                                        std::optional<tarvel::APIError> gotError) {
                                      ++calls;
                                      succeeded = success;
                                      response = std::move(gotResponse);
                                      error = gotError;
                                    });
  handler(std::move(result));

  if (calls != 1 || !succeeded) std::abort();
  if (response.has_value() == error.has_value()) std::abort();
  if (response && !response->is_object()) std::abort();
  if (!answered && error != tarvel::APIError::noNetwork) std::abort();
  if (answered && error && error != tarvel::APIError::dataNotFound) std::abort();
  if (response && shape == AnswerShape::wholeObjectWithData) {
    auto inner = response->find("data");
    if (inner == response->end() || !inner->is_object()) std::abort();
  }
  return 0;
}
