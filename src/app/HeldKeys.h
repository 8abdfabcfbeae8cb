// Which keys are down, so that a repeated press of a held key is not taken for a new one. Letters
// count as one key in either case: a Shift pressed while a letter is held changes what the repeats
// read, not which key they come from.
#pragma once

#include <bitset>

class HeldKeys
{
  public:
    // A press of a normal key (as the keyboard callback reports it): true when it is new, false
    // when the key is already down (a repeat).
    bool pressKey(unsigned char key);
    void releaseKey(unsigned char key);
    // The same for special keys (function keys, arrows: the window system's key codes, 0 to 255).
    bool pressSpecial(int key);
    void releaseSpecial(int key);

  private:
    std::bitset<256> keys;
    std::bitset<256> specials;
};
