#include "network/AnswerHandler.h"

#include <exception>  // exception
#include <optional>   // optional
#include <utility>    // move

#include "network/AnswerParsing.h"
#include "network/LogRedaction.h"
#include "tarvel/Log.h"

namespace tarvel::detail {
namespace {

struct Outcome {
  std::optional<Dictionary> response;
  std::optional<APIError> error;
};

Outcome failure(APIError error) { return {std::nullopt, error}; }

Outcome outcomeOf(const std::string& endpoint, UrlLoadResult result, AnswerShape shape) {
  if (!result.answered()) {
    log(LogLevel::warning, "No answer from " + endpoint + ": " + result.failure);
    return failure(APIError::noNetwork);
  }
  auto parsed = parseAnswer(result.body);
  result.body = std::string();  // the text is not needed once parsed
  if (!parsed) {
    log(LogLevel::warning,
        "Answer from " + endpoint + " is " + std::string(describe(parsed.refusal)));
    return failure(APIError::dataNotFound);
  }
  Dictionary& answer = *parsed.value;
  if (!answer.is_object()) {
    log(LogLevel::warning, "Answer from " + endpoint + " is not a JSON object");
    return failure(APIError::dataNotFound);
  }
  auto data = answer.find("data");
  const bool hasData = data != answer.end() && data->is_object();
  switch (shape) {
    case AnswerShape::wholeObjectWithData:
      if (!hasData) break;
      log(LogLevel::info, "Inside success completion");
      log(LogLevel::debug, "+++RESPONSE+++");
      log(LogLevel::debug, describeForLog(answer));
      return {std::move(answer), std::nullopt};
    case AnswerShape::dataObject: {
      if (!hasData) break;
      Dictionary inner = std::move(*data);
      log(LogLevel::debug, "+++RESPONSE+++");
      log(LogLevel::debug, describeForLog(inner));
      return {std::move(inner), std::nullopt};
    }
    case AnswerShape::wholeObject:
      log(LogLevel::debug, "+++RESPONSE+++");
      log(LogLevel::debug, describeForLog(answer));
      return {std::move(answer), std::nullopt};
  }
  log(LogLevel::warning, "Answer from " + endpoint + " has no object under \"data\"");
  return failure(APIError::dataNotFound);
}

}  // namespace

UrlLoadCompletion answerHandler(std::string endpoint, AnswerShape shape, APICompletion complete) {
  return [endpoint = std::move(endpoint), shape,
          complete = std::move(complete)](UrlLoadResult result) {
    Outcome outcome;
    try {
      outcome = outcomeOf(endpoint, std::move(result), shape);
    } catch (const std::exception& error) {
      log(LogLevel::warning, "Cannot handle the answer from " + endpoint + ": " + error.what());
      outcome = failure(APIError::dataNotFound);
    }
    if (complete) complete(true, std::move(outcome.response), outcome.error);
  };
}

}  // namespace tarvel::detail
