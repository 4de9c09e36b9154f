#include "StatePersistence.h"

#include "StateTextCheck.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

namespace
{
    constexpr juce::uint32 magicNumber = 0x21324356;

    const juce::Identifier parameterType { "PARAM" };
    const juce::Identifier idProperty { "id" };
    const juce::Identifier valueProperty { "value" };

    /** The XML element of a block, or nothing when the block is not accepted. */
    std::unique_ptr<juce::XmlElement> parseBlock (const void* data, int sizeInBytes)
    {
        if (data == nullptr || sizeInBytes < 9)
            return {};

        const auto* const bytes = static_cast<const char*> (data);

        if (juce::ByteOrder::littleEndianInt (bytes) != magicNumber)
            return {};

        const auto length = static_cast<juce::int32> (juce::ByteOrder::littleEndianInt (bytes + 4));

        if (length < 1)
            return {};

        // The text ends at the stated length, at the end of the data or at a zero byte.
        const auto* const text = bytes + 8;
        const auto available = std::min (length, sizeInBytes - 8);
        const auto textLength = static_cast<int> (std::find (text, text + available, '\0') - text);

        // The parser steps over a multi-byte character by its lead byte alone, so a truncated
        // sequence would make it read past the end of the text.
        if (! juce::CharPointer_UTF8::isValidString (text, textLength))
            return {};

        const auto string = juce::String::fromUTF8 (text, textLength);

        if (! StateTextCheck::isSafeToParse (string.toRawUTF8()))
            return {};

        return juce::parseXML (string);
    }

    /**
        The framework's number parser adds up exponent digits in an int, which overflows (undefined
        behaviour) on a text such as "1e99999999999". Such a number is written again with the same
        value in a form the parser reads safely: infinity or zero, with the sign of the mantissa.
        Other texts come back unchanged.
    */
    juce::String withReadableExponent (const juce::String& text)
    {
        auto p = text.getCharPointer();
        p.incrementToEndOfWhitespace();

        const auto negative = *p == '-';

        if (*p == '-' || *p == '+')
            ++p;

        bool nonZero = false, point = false;

        for (;; ++p)
        {
            if (*p == '.' && ! point)
                point = true;
            else if (p.isDigit())
                nonZero = nonZero || *p != '0';
            else
                break;
        }

        if (*p != 'e' && *p != 'E')
            return text;

        ++p;
        const auto negativeExponent = *p == '-';

        if (*p == '-' || *p == '+')
            ++p;

        while (*p == '0')
            ++p;

        int digits = 0;

        for (; p.isDigit(); ++p)
            ++digits;

        if (digits <= 4)
            return text;

        if (! nonZero || negativeExponent)
            return negative ? "-0" : "0";

        return negative ? "-1e999" : "1e999";
    }

    float currentValue (const juce::AudioProcessorValueTreeState& apvts, const juce::String& id)
    {
        return apvts.getRawParameterValue (id)->load();
    }

    /** The tree's IDs, in the byte order in which the tree adds children for parameters. */
    std::vector<juce::String> sortedParameterIDs (const juce::AudioProcessorValueTreeState& apvts)
    {
        std::vector<juce::String> ids;

        for (auto* parameter : apvts.processor.getParameters())
            if (auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (parameter))
                if (apvts.getParameter (ranged->paramID) == ranged)
                    ids.push_back (ranged->paramID);

        std::sort (ids.begin(), ids.end(), [] (const juce::String& a, const juce::String& b)
        {
            return a.compare (b) < 0;
        });

        return ids;
    }

    /** The child each parameter takes its value from: the last one whose `id` names it. */
    std::map<juce::String, juce::ValueTree> childrenNamingParameters (const juce::AudioProcessorValueTreeState& apvts,
                                                                      const juce::ValueTree& tree)
    {
        std::map<juce::String, juce::ValueTree> children;

        for (const auto& child : tree)
        {
            const auto id = child.getProperty (idProperty).toString();

            if (apvts.getParameter (id) != nullptr)
                children[id] = child;
        }

        return children;
    }
}

void StatePersistence::save (juce::AudioProcessorValueTreeState& apvts, juce::MemoryBlock& destination)
{
    auto tree = apvts.copyState();

    // The tree keeps a restored value's text while the parameter holds that value; the block
    // always carries the number in the framework's own text form.
    for (auto& [id, child] : childrenNamingParameters (apvts, tree))
        child.setProperty (valueProperty, static_cast<double> (currentValue (apvts, id)), nullptr);

    if (const auto xml = tree.createXml())
        juce::AudioProcessor::copyXmlToBinary (*xml, destination);
}

namespace
{
    /** An element that names an attribute twice would set a parameter from its first value while
        the adopted tree keeps the last, so the next save would change the project. */
    bool repeatsAnAttribute (const juce::XmlElement& element)
    {
        const auto count = element.getNumAttributes();

        for (int i = 0; i < count; ++i)
            for (int j = i + 1; j < count; ++j)
                if (element.getAttributeName (i) == element.getAttributeName (j))
                    return true;

        for (const auto* child : element.getChildIterator())
            if (repeatsAnAttribute (*child))
                return true;

        return false;
    }
}

bool StatePersistence::restore (juce::AudioProcessorValueTreeState& apvts, const void* data, int sizeInBytes)
{
    const auto type = apvts.state.getType();
    const auto xml = parseBlock (data, sizeInBytes);

    if (xml == nullptr || ! xml->getTagName().equalsIgnoreCase (type.toString()) || repeatsAnAttribute (*xml))
        return false;

    auto tree = juce::ValueTree::fromXml (*xml);

    if (! tree.hasType (type))
    {
        // A root tag in other letters: the tree keeps the processor's own type, so that the next
        // save writes the usual root tag.
        juce::ValueTree renamed (type);
        renamed.copyPropertiesAndChildrenFrom (tree, nullptr);
        tree = renamed;
    }

    for (auto child : tree)
        if (child.hasProperty (valueProperty))
            child.setProperty (valueProperty, withReadableExponent (child.getProperty (valueProperty).toString()), nullptr);

    // The framework sets a parameter from every child naming it, in order: "nan" would reach
    // the audio thread and the host, so it counts as 0 like any other text that is no number.
    for (auto child : tree)
        if (apvts.getParameter (child.getProperty (idProperty).toString()) != nullptr
             && child.hasProperty (valueProperty)
             && std::isnan (static_cast<float> (child.getProperty (valueProperty))))
            child.setProperty (valueProperty, 0.0, nullptr);

    // The framework gives a parameter that no child names a new child without a value, which
    // resets it to its default. A child holding the current value keeps the parameter as it is.
    const auto named = childrenNamingParameters (apvts, tree);

    for (const auto& id : sortedParameterIDs (apvts))
    {
        if (named.count (id) == 0)
        {
            juce::ValueTree child (parameterType);
            child.setProperty (idProperty, id, nullptr);
            child.setProperty (valueProperty, static_cast<double> (currentValue (apvts, id)), nullptr);
            tree.appendChild (child, nullptr);
        }
    }

    apvts.replaceState (tree);
    return true;
}
