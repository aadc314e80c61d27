// Storage of the named handlers.
#include "app/handler_registry.h"

#include <map>
#include <string>

namespace app {

namespace {

std::map<std::string, Handler, std::less<>>& Handlers() {
  static std::map<std::string, Handler, std::less<>> handlers;
  return handlers;
}

}  // namespace

void RegisterHandler(std::string_view name, Handler handler) {
  Handlers().insert_or_assign(std::string(name), std::move(handler));
}

bool RunHandler(std::string_view name) {
  const auto found = Handlers().find(name);
  if (found == Handlers().end() || !found->second) {
    return false;
  }
  // A copy, so that a handler that re-registers its own name keeps running safely.
  const Handler handler = found->second;
  handler();
  return true;
}

bool HasHandler(std::string_view name) {
  const auto found = Handlers().find(name);
  return found != Handlers().end() && static_cast<bool>(found->second);
}

}  // namespace app
