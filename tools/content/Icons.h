// The game's icon for desktop menus: icons/hicolor/SIZExSIZE/apps/ICON.png in the freedesktop icon
// theme layout, one picture drawn at each size.
#pragma once

#include <string>

namespace content
{

// The icon's name (the desktop entry's Icon= key and the file name without extension).
extern const char* const iconName;

void writeIcons(const std::string& dataFolder);

} // namespace content
