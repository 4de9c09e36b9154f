#include "RenderOptions.h"
#include "RenderFailure.h"

const char* const renderUsage =
    "usage: hollowmere-render [options] INPUT OUTPUT.wav\n"
    "  Plays a WAV or AIFF file through the Hollowmere VST3 plug-in and writes a WAV\n"
    "  (32-bit float, same channel count and sample rate).\n"
    "options:\n"
    "  --set ID=VALUE   set a parameter in real units (haunt=0.7, inputGain=-6, wobbleShape=2);\n"
    "                   a choice also takes its name (wobbleShape=\"Saw Down\"); repeatable\n"
    "  --block N        block size in samples, 1 to 65536 (default 512)\n"
    "  --tail N         samples rendered past the end of the input (default 2048)\n"
    "  --keep-latency   keep the plug-in's delay instead of lining the output up with the input\n"
    "  --plugin PATH    the .vst3 bundle (default: this build's, else ~/.vst3/Hollowmere.vst3)\n"
    "  --help           show this text\n";

namespace
{
    [[noreturn]] void usageError (const juce::String& message)
    {
        throw RenderFailure (message.toStdString(), usageExitCode);
    }

    /** The whole text as an integer within [low, high], or nothing. */
    bool parseInteger (const juce::String& text, int low, int high, int& result)
    {
        const auto s = text.trim();

        if (s.isEmpty() || s.length() > 9 || ! s.containsOnly ("0123456789"))
            return false;

        const auto value = s.getIntValue();

        if (value < low || value > high)
            return false;

        result = value;
        return true;
    }

    const juce::String& valueAfter (const juce::StringArray& arguments, int& i)
    {
        if (i + 1 >= arguments.size())
            usageError (arguments[i] + " needs a value");

        return arguments.getReference (++i);
    }
}

RenderOptions parseRenderOptions (const juce::StringArray& arguments)
{
    RenderOptions options;
    juce::StringArray files;

    for (int i = 0; i < arguments.size(); ++i)
    {
        const auto& argument = arguments.getReference (i);

        if (argument == "--help" || argument == "-h")
        {
            options.showHelp = true;
            return options;
        }

        if (argument == "--keep-latency")
        {
            options.keepLatency = true;
        }
        else if (argument == "--block")
        {
            const auto& text = valueAfter (arguments, i);

            if (! parseInteger (text, 1, 65536, options.blockSize))
                usageError ("bad block size '" + text + "': give a whole number from 1 to 65536");
        }
        else if (argument == "--tail")
        {
            const auto& text = valueAfter (arguments, i);

            if (! parseInteger (text, 0, 100000000, options.tailSamples))
                usageError ("bad tail length '" + text + "': give a whole number of samples, 0 or more");
        }
        else if (argument == "--plugin")
        {
            options.plugin = juce::File::getCurrentWorkingDirectory().getChildFile (valueAfter (arguments, i));
        }
        else if (argument == "--set")
        {
            const auto& text = valueAfter (arguments, i);
            const auto id = text.upToFirstOccurrenceOf ("=", false, false).trim();

            if (! text.contains ("=") || id.isEmpty())
                usageError ("bad setting '" + text + "': write --set ID=VALUE");

            // The value stays text until the parameter is known: a choice may be given by name.
            options.settings.emplace_back (id, text.fromFirstOccurrenceOf ("=", false, false).trim());
        }
        else if (argument.startsWith ("-") && argument.length() > 1)
        {
            usageError ("unknown option '" + argument + "' (see --help)");
        }
        else
        {
            files.add (argument);
        }
    }

    if (files.size() != 2)
        usageError ("give one input file and one output file (see --help)");

    options.input = juce::File::getCurrentWorkingDirectory().getChildFile (files[0]);
    options.output = juce::File::getCurrentWorkingDirectory().getChildFile (files[1]);

    if (options.plugin == juce::File())
        options.plugin = findDefaultPlugin();

    return options;
}

juce::File findDefaultPlugin()
{
    const juce::File built (HOLLOWMERE_BUILT_VST3);

    if (built.isDirectory())
        return built;

    return juce::File::getSpecialLocation (juce::File::userHomeDirectory).getChildFile (".vst3/Hollowmere.vst3");
}
