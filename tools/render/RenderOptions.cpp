#include "RenderOptions.h"
#include "RenderFailure.h"

const char* const renderUsage =
    "usage: hollowmere-render [options] INPUT OUTPUT.wav\n"
    "       hollowmere-render --list-params | --save-preset FILE [options]\n"
    "  Plays a WAV or AIFF file through the Hollowmere VST3 plug-in and writes a WAV\n"
    "  (32-bit float, same channel count and sample rate), lined up with the input.\n"
    "options:\n"
    "  --set ID=VALUE       set a parameter in real units (haunt=0.7, inputGain=-6, wobbleShape=2);\n"
    "                       a choice also takes its name (wobbleShape=\"Saw Down\"); repeatable\n"
    "  --sidechain FILE     feed FILE (mono or stereo, the input's sample rate) to the sidechain;\n"
    "                       add --set source=Sidechain to morph toward it\n"
    "  --bpm N              the tempo the host reports, 20 to 999 (default 120)\n"
    "  --automate FILE      parameter changes over time, one 'SECONDS ID VALUE' a line,\n"
    "                       applied at the first block starting at or after SECONDS\n"
    "  --bypass             render with the host's bypass on\n"
    "  --preset FILE        load a state block (from --save-preset, or a .vstpreset) first\n"
    "  --save-preset FILE   write the plug-in's state after --preset and --set (a .vstpreset\n"
    "                       when FILE ends so, else the plug-in's own state block)\n"
    "  --spectrogram FILE.png  write a before/after spectrogram (1280 x 900 pixels)\n"
    "  --list-params        list the parameters: ID, name, range, default, value (after\n"
    "                       --preset and --set)\n"
    "  --block N            block size in samples, 1 to 65536 (default 512)\n"
    "  --tail N             samples rendered past the end of the input (default 2048)\n"
    "  --keep-latency       keep the plug-in's delay instead of lining the output up with the input\n"
    "  --plugin PATH        the .vst3 bundle (default: this build's, else ~/.vst3/Hollowmere.vst3)\n"
    "  --help               show this text\n";

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

    /** The whole text as a decimal number within [low, high], or nothing. */
    bool parseDecimal (const juce::String& text, double low, double high, double& result)
    {
        const auto s = text.trim();

        if (s.isEmpty() || s.length() > 12 || ! s.containsOnly ("0123456789.") || s.indexOfChar ('.') != s.lastIndexOfChar ('.')
            || s.startsWithChar ('.') || s.endsWithChar ('.'))
            return false;

        const auto value = s.getDoubleValue();

        if (value < low || value > high)
            return false;

        result = value;
        return true;
    }

    juce::File fileAt (const juce::String& path)
    {
        return juce::File::getCurrentWorkingDirectory().getChildFile (path);
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
        else if (argument == "--bypass")
        {
            options.bypass = true;
        }
        else if (argument == "--list-params")
        {
            options.listParams = true;
        }
        else if (argument == "--bpm")
        {
            const auto& text = valueAfter (arguments, i);

            if (! parseDecimal (text, 20.0, 999.0, options.bpm))
                usageError ("bad tempo '" + text + "': give beats per minute from 20 to 999");
        }
        else if (argument == "--sidechain" || argument == "--automate" || argument == "--preset"
                 || argument == "--save-preset" || argument == "--spectrogram")
        {
            const auto& text = valueAfter (arguments, i);

            if (text.isEmpty())
                usageError (argument + " needs a file name");

            const auto file = fileAt (text);

            if (argument == "--sidechain")          options.sidechain = file;
            else if (argument == "--automate")      options.automation = file;
            else if (argument == "--preset")        options.preset = file;
            else if (argument == "--save-preset")   options.savePreset = file;
            else                                    options.spectrogram = file;
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
            options.plugin = fileAt (valueAfter (arguments, i));
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

    // Listing the parameters or saving a preset needs no audio; otherwise both files are needed.
    const auto audioOptional = options.listParams || options.savePreset != juce::File();

    if (files.size() != 2 && ! (audioOptional && files.isEmpty()))
        usageError ("give one input file and one output file (see --help)");

    if (files.size() == 2)
    {
        options.input = fileAt (files[0]);
        options.output = fileAt (files[1]);
    }
    else
    {
        const auto needsAudio = options.sidechain != juce::File() || options.automation != juce::File()
                             || options.spectrogram != juce::File();

        if (needsAudio)
            usageError ("--sidechain, --automate and --spectrogram need an input and an output file");
    }

    if (options.spectrogram != juce::File() && ! options.spectrogram.hasFileExtension ("png"))
        usageError ("the spectrogram is a PNG: give a file name ending in .png");

    for (const auto& written : { options.output, options.spectrogram, options.savePreset })
        if (written != juce::File() && (written == options.input || written == options.sidechain))
            usageError ("'" + written.getFileName() + "' would overwrite an input");

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
