// Held keys and the window system's auto-repeat. X repeats a held key by sending more presses; by
// default each comes with a release in front of it, which the toolkit can only tell from a real
// release by asking whether the key is still down when it gets round to the event. A frame that
// takes a while lets the real release overtake that question, and a repeat then arrives as a fresh
// press (a held ESC would leave the race and then end the game). Asked for "detectable" repeat, X
// sends repeats as presses only, so a press of a key that is already down is a repeat, whenever it
// is handled.
#pragma once

namespace platform
{

// Switches the current GL context's X connection to repeats without releases. False when the
// server cannot (the game then relies on the toolkit's own filter). Needs a current context.
bool useDetectableKeyRepeat();

} // namespace platform
