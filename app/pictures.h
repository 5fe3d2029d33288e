// The window's pictures: button pictures and the application icon, from the resources.
#pragma once

#include <QIcon>

namespace tegulo {

// The desktop entry, AppStream component and icon name of the application.
inline constexpr char kAppId[] = "io.github.tegulo.Tegulo";

// The button picture NAME (":/icons/NAME.png") with its twice-as-large version
// (":/icons/NAME@2x.png") in one icon, so that a high-density screen gets the large one.
// A name without pictures gives an icon without sizes.
QIcon ButtonPicture(const char* name);

// The application icon at every size from 16 to 256 pixels.
QIcon AppIcon();

}  // namespace tegulo
