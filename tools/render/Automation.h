#pragma once

#include <juce_core/juce_core.h>

#include <vector>

/**
    One line of an automation file: at `seconds` into the input, parameter `id` takes `value`
    (real units, or a choice's index or name, as with --set).

    The file holds one change per line, `SECONDS ID VALUE`, separated by spaces or tabs; the value
    is the rest of the line (so "Saw Down" needs no quotes, though quotes are allowed). Blank lines
    and everything after a '#' are ignored. Times are seconds from the start of the input, 0 or
    more, and never go backwards.
*/
struct AutomationPoint
{
    double seconds = 0.0;
    juce::String id;
    juce::String value;
    int line = 0;
};

/** Reads an automation file; throws RenderFailure naming the file and line of the first fault. */
std::vector<AutomationPoint> readAutomation (const juce::File& file);
