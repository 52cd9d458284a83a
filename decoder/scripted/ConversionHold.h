// Conversions that tests hold back: a stand-in for a slow picture
// conversion that lasts exactly as long as a test needs.
#ifndef SCRIPTED_CONVERSION_HOLD_H
#define SCRIPTED_CONVERSION_HOLD_H

namespace scripted {

// Returns at once unless conversions to |fileName| are held; then waits
// until they are released.
void WaitWhileHeld(const char* fileName);

}  // namespace scripted

#endif  // SCRIPTED_CONVERSION_HOLD_H
