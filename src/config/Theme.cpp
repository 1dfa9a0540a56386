#include "tarvel/Theme.h"

namespace tarvel {

std::optional<Theme> Theme::fromRawValue(int rawValue) {
  if (rawValue == theme1.rawValue()) return theme1;
  return std::nullopt;
}

Color Theme::mainColor() const { return Color::fromHexString("ffffff"); }
Color Theme::backgroundColor() const { return Color::fromHexString("F9F9F9"); }
Color Theme::secondaryColor() const { return Color::fromHexString("ffffff"); }
Color Theme::titleTextColor() const { return Color::fromHexString("000000"); }
Color Theme::subTitleTextColor() const { return Color::fromHexString("050038"); }
Color Theme::titleTextColorOTP() const { return Color::fromHexString("0E9343"); }
Color Theme::subtitleTextColorOTP() const { return Color::fromHexString("25D366"); }
Color Theme::buttonBgColor() const { return Color::fromHexString("0A9C4D"); }
Color Theme::bgOTPView() const { return Color::fromHexString("E6F4EC"); }
Color Theme::infoColor() const { return Color::fromHexString("FEF6E9"); }
Color Theme::infolabelColor() const { return Color::fromHexString("F09819"); }
Color Theme::infoColorOTP() const { return Color::fromHexString("FEF8F8"); }
Color Theme::infoLightGreenColor() const { return Color::fromHexString("EBF7E8"); }
Color Theme::infoGreenColor() const { return Color::fromHexString("60A748"); }
Color Theme::infolabelColorOTP() const { return Color::fromHexString("F03E3F"); }

}  // namespace tarvel
