#pragma once

#include <cstddef>

/**
    Counts heap allocations and lock operations made by the calling thread while a guard is
    alive. The test executable that links AudioThreadGuard.cpp replaces the global allocation
    functions and wraps the pthread lock calls at link time, so this sees JUCE's own calls too.
*/
class AudioThreadGuard
{
public:
    AudioThreadGuard() noexcept;
    ~AudioThreadGuard();

    std::size_t getAllocations() const noexcept;
    std::size_t getLocks() const noexcept;

    AudioThreadGuard (const AudioThreadGuard&) = delete;
    AudioThreadGuard& operator= (const AudioThreadGuard&) = delete;
};
