#include <windows.h>

#include "WordWakeup.h"

namespace decoder_ffmpeg {
namespace {

// WaitOnAddress came with Windows 8 and is looked up rather than imported,
// so that the decoder still loads on an older system, which gets an event.
// A signal through it stays within the process unless someone sleeps (an
// event's SetEvent is a system call every time); under wine, which does it
// on a futex, an event is a round trip to the wine server instead, and
// the decoder signals the presenter for nearly every picture.
struct AddressWaits {
  using WaitFn = BOOL(WINAPI*)(volatile VOID*, PVOID, SIZE_T, DWORD);
  using WakeFn = VOID(WINAPI*)(PVOID);
  WaitFn wait = nullptr;
  WakeFn wake = nullptr;
};

const AddressWaits& TheAddressWaits() {
  static const AddressWaits waits = [] {
    AddressWaits found;
    const HMODULE kernel = GetModuleHandleA("kernelbase.dll");
    if (kernel == nullptr) return found;
    found.wait = reinterpret_cast<AddressWaits::WaitFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(kernel, "WaitOnAddress")));
    found.wake = reinterpret_cast<AddressWaits::WakeFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(kernel, "WakeByAddressSingle")));
    if (found.wait == nullptr || found.wake == nullptr) return AddressWaits{};
    return found;
  }();
  return waits;
}

}  // namespace

// Auto-reset either way: the wait that a signal ends resets it, and signals
// that come while nobody waits fold into one.
WordWakeup::WordWakeup()
    : event_(TheAddressWaits().wait != nullptr ? nullptr
                                               : CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

WordWakeup::~WordWakeup() {
  if (event_ != nullptr) CloseHandle(event_);
}

bool WordWakeup::Valid() const { return TheAddressWaits().wait != nullptr || event_ != nullptr; }

void WordWakeup::Signal() {
  if (event_ != nullptr) {
    SetEvent(event_);
    return;
  }
  // Only the signal that sets the word can find the presenter asleep on it.
  if (signalled_.exchange(1) == 0) TheAddressWaits().wake(&signalled_);
}

// May return before a signal or the timeout (WaitOnAddress may wake for
// nothing); the presenter looks at its state after every wait anyway. A
// signal that came meanwhile is used up on return, as the presenter's next
// look covers it.
void WordWakeup::Wait(int timeoutMillis) {
  const DWORD timeout = timeoutMillis < 0 ? INFINITE : static_cast<DWORD>(timeoutMillis);
  if (event_ != nullptr) {
    WaitForSingleObject(event_, timeout);
    return;
  }
  if (signalled_.exchange(0) != 0) return;
  uint32_t unsignalled = 0;
  TheAddressWaits().wait(&signalled_, &unsignalled, sizeof unsignalled, timeout);
  signalled_.store(0);
}

}  // namespace decoder_ffmpeg
