#pragma once

#include <cstddef>     // size_t
#include <functional>  // hash
#include <optional>    // optional
#include <string>      // string

#include "tarvel/Color.h"

namespace tarvel {

/// The component's colour palette. There is one theme, `Theme::theme1` (raw value 0); every
/// screen takes its own colours from it:
///
///   auto background = Theme::theme1.backgroundColor();
///
/// Each colour is built from its hexadecimal text on every read.
class Theme {
 public:
  static const Theme theme1;

  /// `theme1` for 0, nothing for any other number.
  static std::optional<Theme> fromRawValue(int rawValue);
  constexpr int rawValue() const { return rawValue_; }

  Color mainColor() const;
  /// The toolkit's default bar style (raw value 0).
  int barStyle() const { return 0; }
  /// The host application's "navBackground" and "tabBarBackground" images. Always nothing
  /// here: the component looks resources up only in its own resource bundle, and there is no
  /// host bundle to search by image name on this platform. The properties stay so that the
  /// palette keeps its full shape.
  std::optional<std::string> navigationBackgroundImage() const { return std::nullopt; }
  std::optional<std::string> tabBarBackgroundImage() const { return std::nullopt; }
  Color backgroundColor() const;
  Color secondaryColor() const;
  Color titleTextColor() const;
  Color subTitleTextColor() const;
  Color titleTextColorOTP() const;
  Color subtitleTextColorOTP() const;
  Color buttonBgColor() const;
  Color bgOTPView() const;
  Color infoColor() const;
  Color infolabelColor() const;
  Color infoColorOTP() const;
  Color infoLightGreenColor() const;
  Color infoGreenColor() const;
  Color infolabelColorOTP() const;

  friend constexpr bool operator==(const Theme&, const Theme&) = default;

 private:
  constexpr explicit Theme(int rawValue) : rawValue_(rawValue) {}

  int rawValue_;
};

inline constexpr Theme Theme::theme1{0};

}  // namespace tarvel

template <>
struct std::hash<tarvel::Theme> {
  std::size_t operator()(const tarvel::Theme& theme) const noexcept {
    return std::hash<int>{}(theme.rawValue());
  }
};
