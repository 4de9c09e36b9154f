#include "Automation.h"
#include "RenderFailure.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

std::vector<AutomationPoint> readAutomation (const juce::File& file)
{
    const auto where = "automation '" + file.getFullPathName() + "'";

    if (! file.existsAsFile())
        throw RenderFailure ((where + ": no such file").toStdString());

    // Even a dense automation file of an hour is a few megabytes.
    if (file.getSize() > 64 * 1024 * 1024)
        throw RenderFailure ((where + ": too large for an automation file").toStdString());

    juce::StringArray lines;
    lines.addLines (file.loadFileAsString());

    std::vector<AutomationPoint> points;

    for (int i = 0; i < lines.size(); ++i)
    {
        const auto text = lines[i].upToFirstOccurrenceOf ("#", false, false).trim();

        if (text.isEmpty())
            continue;

        const auto fault = [&] (const juce::String& message)
        {
            return RenderFailure ((where + ", line " + juce::String (i + 1) + ": " + message).toStdString());
        };

        const auto timeText = text.upToFirstOccurrenceOf (" ", false, false).upToFirstOccurrenceOf ("\t", false, false);
        const auto rest = text.substring (timeText.length()).trimStart();
        const auto id = rest.upToFirstOccurrenceOf (" ", false, false).upToFirstOccurrenceOf ("\t", false, false);
        const auto value = rest.substring (id.length()).trim().unquoted().trim();

        if (id.isEmpty() || value.isEmpty())
            throw fault ("write SECONDS ID VALUE, not '" + text + "'");

        const auto timeString = timeText.toStdString();
        char* end = nullptr;
        errno = 0;
        const auto seconds = std::strtod (timeString.c_str(), &end);

        if (errno != 0 || end != timeString.c_str() + timeString.size() || ! std::isfinite (seconds) || seconds < 0.0)
            throw fault ("bad time '" + timeText + "': give seconds, 0 or more");

        if (! points.empty() && seconds < points.back().seconds)
            throw fault ("time " + timeText + " goes back before " + juce::String (points.back().seconds) + " s");

        points.push_back ({ seconds, id, value, i + 1 });
    }

    return points;
}
