#pragma once

namespace tarvel {

/// The payment platform's two environments, each with its own API and analytics host.
enum class Environment { staging, production };

/// The environment a production flag selects: `production` when true, else `staging`.
constexpr Environment environmentFor(bool production) {
  return production ? Environment::production : Environment::staging;
}

}  // namespace tarvel
