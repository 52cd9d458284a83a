#include "Wakeup.h"

#include <windows.h>

namespace m4 {

// Auto-reset: the wait that a signal ends resets it, and signals that come
// while nobody waits fold into one.
Wakeup::Wakeup() : event_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

Wakeup::~Wakeup() {
  if (event_ != nullptr) CloseHandle(event_);
}

bool Wakeup::Valid() const { return event_ != nullptr; }

void Wakeup::Signal() { SetEvent(event_); }

void Wakeup::Wait(int timeoutMillis) {
  WaitForSingleObject(event_, timeoutMillis < 0 ? INFINITE : static_cast<DWORD>(timeoutMillis));
}

}  // namespace m4
