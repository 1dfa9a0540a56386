#include "logic/LockedState.h"

#include "tarvel/APIError.h"
#include "tarvel/InternetConnectionManager.h"

namespace tarvel::detail {

bool LockedState::requireNetwork(std::optional<std::string>& alertMessage,
                                 const Closure<void()>& showAlertClosure) const {
  if (InternetConnectionManager::isConnectedToNetwork()) return true;
  assign(alertMessage, std::string(rawValue(APIError::noNetwork)), showAlertClosure);
  return false;
}

}  // namespace tarvel::detail
