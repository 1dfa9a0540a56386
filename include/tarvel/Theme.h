#pragma once

#include <cstddef>     // size_t
#include <functional>  // hash
#include <optional>    // optional
#include <string>      // string

#include "tarvel/Color.h"
#include "tarvel/Export.h"

namespace tarvel {

/// The component's colour palette. There is one theme, `Theme::theme1` (raw value 0); every
/// screen takes its own colours from it:
///
/// \code
///   auto background = Theme::theme1.backgroundColor();
/// \endcode
///
/// Each colour is built from its hexadecimal text on every read.
class TARVEL_CHECKOUT_EXPORT Theme {
 public:
  /// The palette, and the only theme.
  static const Theme theme1;

  /// `theme1` for 0, nothing for any other number.
  static std::optional<Theme> fromRawValue(int rawValue);
  /// The theme's number: 0 for `theme1`.
  constexpr int rawValue() const { return rawValue_; }

  /// The brand colour (buttons, highlights).
  Color mainColor() const;
  /// The toolkit's default bar style (raw value 0).
  int barStyle() const { return 0; }
  /// The host application's "navBackground" and "tabBarBackground" images. Always nothing
  /// here: the component looks resources up only in its own resource bundle, and there is no
  /// host bundle to search by image name on this platform. The properties stay so that the
  /// palette keeps its full shape.
  /// @{
  std::optional<std::string> navigationBackgroundImage() const { return std::nullopt; }
  std::optional<std::string> tabBarBackgroundImage() const { return std::nullopt; }
  /// @}
  /// A colour of the palette, named after the part of a screen it paints (those with "OTP" in
  /// their names paint the OTP screen).
  /// @{
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
  /// @}

  /// Themes are equal when their raw values are.
  friend constexpr bool operator==(const Theme&, const Theme&) = default;

 private:
  constexpr explicit Theme(int rawValue) : rawValue_(rawValue) {}

  int rawValue_;
};

inline constexpr Theme Theme::theme1{0};

}  // namespace tarvel

/// Hashes a theme by its raw value, so that themes can key unordered containers.
template <>
struct std::hash<tarvel::Theme> {
  /// The hash of `theme.rawValue()`.
  std::size_t operator()(const tarvel::Theme& theme) const noexcept {
    return std::hash<int>{}(theme.rawValue());
  }
};
