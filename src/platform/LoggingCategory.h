#pragma once

#include <QLoggingCategory>

namespace tarvel::detail {

/// The component's console lines as Qt messages of the category "tarvel.checkout", at their
/// own level (warning, info, or debug, which is off unless a rule enables it), so a host filters
/// them as it filters Qt's own (QT_LOGGING_RULES, QLoggingCategory::setFilterRules) and its message
/// handler receives them. A sink the host installs with `setLogSink` still takes precedence.
Q_DECLARE_LOGGING_CATEGORY(checkoutLog)

/// Routes the component's lines through `checkoutLog` while the host has no sink of its own.
/// Idempotent and thread-safe; the entry object and every screen call it when created.
void routeLogThroughQt();

}  // namespace tarvel::detail
