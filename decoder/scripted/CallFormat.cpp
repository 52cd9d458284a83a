#include "CallFormat.h"

#include <cstdint>

namespace scripted {

std::string AddressText(const void* address) {
  return std::to_string(reinterpret_cast<std::uintptr_t>(address));
}

std::string RectText(const RECT* rect) {
  if (rect == nullptr) return "null";
  // RECT holds LONG on Windows and int32_t elsewhere.
  return "{" + std::to_string(static_cast<long long>(rect->left)) + "," +
         std::to_string(static_cast<long long>(rect->top)) + "," +
         std::to_string(static_cast<long long>(rect->right)) + "," +
         std::to_string(static_cast<long long>(rect->bottom)) + "}";
}

std::string CallbackText(M4DisplayCallback callback) {
  return callback != nullptr ? "callback" : "null";
}

std::string NameText(const char* name) { return name != nullptr ? name : "null"; }

std::string CallText(const char* function, std::initializer_list<std::string> arguments) {
  std::string text = function;
  text += '(';
  bool first = true;
  for (const std::string& argument : arguments) {
    if (!first) text += ',';
    text += argument;
    first = false;
  }
  text += ')';
  return text;
}

}  // namespace scripted
