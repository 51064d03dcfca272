// Runs a helper program and collects what it prints, never waiting longer than asked.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace scriblane::linuxp {

// Runs argv[0] (looked up in PATH) with stdin and stderr on /dev/null and
// returns its standard output when it exits with status 0 within `limit`.
// Nothing when it cannot start, fails, or overruns (it is then killed and
// reaped); output beyond `maxBytes` counts as a failure.
std::optional<std::string> RunForOutput(const std::vector<std::string>& argv,
                                        std::chrono::milliseconds limit,
                                        std::size_t maxBytes = 64 * 1024);

}  // namespace scriblane::linuxp
