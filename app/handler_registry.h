// The handlers that layout tables name, registered by name.
#pragma once

#include <functional>
#include <string_view>

namespace app {

using Handler = std::function<void()>;

// Binds a name to a handler, replacing any handler of that name.
void RegisterHandler(std::string_view name, Handler handler);
// Runs the handler of that name; a name without a handler does nothing. Returns whether one ran.
bool RunHandler(std::string_view name);
// Whether a handler of that name is registered.
bool HasHandler(std::string_view name);

}  // namespace app
