#pragma once

namespace tarvel {

/// The payment platform's two environments, each with its own API and analytics host.
enum class Environment { staging, production };

}  // namespace tarvel
