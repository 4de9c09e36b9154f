#pragma once

#include <stdexcept>
#include <string>

/** Anything that stops a render; its message is the one line the user sees. */
struct RenderFailure : public std::runtime_error
{
    explicit RenderFailure (const std::string& message, int code = 1)
        : std::runtime_error (message), exitCode (code) {}

    int exitCode;
};

/** Exit code of a command line that cannot be understood. */
inline constexpr int usageExitCode = 2;
