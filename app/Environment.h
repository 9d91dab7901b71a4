#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace corvid::app {

// Looks up one environment variable; none when it is unset. Start-up hands
// this in so that nothing below it reads the process environment.
using Environment = std::function<std::optional<std::string>(std::string_view)>;

}  // namespace corvid::app
