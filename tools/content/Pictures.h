// The menu backgrounds (menu/normal.jpg, menu/crash.jpg) and the cockpit panel (cockpit/e300.tga).
#pragma once

#include <string>

namespace content
{

void writeMenuPictures(const std::string& dataFolder, const std::string& fontFile);
void writeCockpitPanel(const std::string& dataFolder, const std::string& fontFile);

} // namespace content
