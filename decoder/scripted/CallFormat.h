// How a recorded call spells its arguments, so that tests can compare
// records as plain strings.
#ifndef SCRIPTED_CALL_FORMAT_H
#define SCRIPTED_CALL_FORMAT_H

#include <initializer_list>
#include <string>

#include "m4playerApi.h"

namespace scripted {

// Decimal value of the address, "0" for null.
std::string AddressText(const void* address);
// "{l,t,r,b}", or "null" when there is no rectangle.
std::string RectText(const RECT* rect);
// Only whether a callback was given: its address differs between runs.
std::string CallbackText(M4DisplayCallback callback);
// The string as given, "null" when there is none.
std::string NameText(const char* name);
// "function(a,b,c)".
std::string CallText(const char* function, std::initializer_list<std::string> arguments);

}  // namespace scripted

#endif  // SCRIPTED_CALL_FORMAT_H
