#pragma once

#include <cstdint>

/**
    A guard run over saved-state text before it reaches juce::XmlDocument.

    The framework's parser recurses once per element nesting level, so a small block of deeply
    nested tags overflows the stack of whichever thread restores the state. This check reads the
    text the way that parser reads it, in one linear pass that keeps only a few counters, and
    answers whether parsing stays within the limits below: nesting depth, and the amounts of
    content whose cost in the parser and the value tree outgrows the size of the text.

    It follows the parser's handling of tags, attributes, comments, processing instructions,
    CDATA, close tags and character references exactly. Constructs it does not follow are
    refused, because the parser could then see structure the check did not count: a document
    type declaration (its entities can expand into markup the check never sees), entity references
    other than the five predefined ones and well-formed numeric references, and tags the parser
    would leave half-read (an attribute without '=' and a quoted value, a stray character).
    None of these occurs in a block this plug-in writes, and the parser refuses most of them
    anyway.
*/
namespace StateTextCheck
{
    /** What a saved state may hold before the check refuses it. The plug-in's own blocks nest two
        elements deep and hold fewer than fifty items; the bounds keep the parse of any block of up to 16 MiB
        well within a second.
    */
    struct Limits
    {
        /** Deepest element nesting. */
        int depth = 256;

        /** Elements, attributes, comments, processing instructions, CDATA sections and
            character references, together. Each costs the parser and the value tree an
            allocation or more, each distinct name an insertion into the shared string pool, and
            each attribute a walk along its element's attributes when the tree is saved again.
        */
        int items = 4096;

        /** Bytes of text between tags. The parser reads it a character at a time and the value
            tree then drops it: a saved state has none but whitespace.
        */
        int characterDataBytes = 1 << 20;

        /** The parser grows an attribute value by exact amounts and copies it whole at every
            character reference in it; the bytes so copied over the whole text stay below this.
        */
        std::int64_t attributeCopyBytes = std::int64_t { 1 } << 26;
    };

    /** True when `text` (zero-terminated, valid UTF-8) can be given to the XML parser within
        `limits`. Runs in time linear in the text's length and does not allocate.
    */
    bool isSafeToParse (const char* text, const Limits& limits = {}) noexcept;
}
