#pragma once

// Whether Caps Lock is on, as far as the display can tell (false where it cannot).
bool capsLockOn();
