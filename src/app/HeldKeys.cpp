#include "app/HeldKeys.h"

namespace
{

std::size_t slot(unsigned char key)
{
    return (key >= 'A' && key <= 'Z') ? std::size_t(key - 'A' + 'a') : std::size_t(key);
}

} // namespace

bool HeldKeys::pressKey(unsigned char key)
{
    if (keys.test(slot(key)))
        return false;
    keys.set(slot(key));
    return true;
}

void HeldKeys::releaseKey(unsigned char key)
{
    keys.reset(slot(key));
}

bool HeldKeys::pressSpecial(int key)
{
    // Codes outside the table are not tracked: every press of them counts.
    if (key < 0 || key >= int(specials.size()))
        return true;
    if (specials.test(std::size_t(key)))
        return false;
    specials.set(std::size_t(key));
    return true;
}

void HeldKeys::releaseSpecial(int key)
{
    if (key >= 0 && key < int(specials.size()))
        specials.reset(std::size_t(key));
}
