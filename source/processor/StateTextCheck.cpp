#include "StateTextCheck.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace
{
    // The parser's whitespace below 0x80. Anything it treats as whitespace beyond that makes the
    // check refuse the text or read it as character data, never miss a tag.
    bool isSpace (char c) noexcept
    {
        return c == ' ' || (c >= '\t' && c <= '\r');
    }

    // The parser's identifier characters below 0x80. It also accepts non-ASCII letters in names;
    // the check stops a name at the first non-ASCII byte and then refuses the tag.
    bool isNameChar (char c) noexcept
    {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
            || c == '_' || c == '-' || c == ':' || c == '.';
    }

    int hexDigitValue (char c) noexcept
    {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    bool startsWith (const char* text, const char* prefix) noexcept
    {
        return std::strncmp (text, prefix, std::strlen (prefix)) == 0;
    }

    bool startsWithIgnoringCase (const char* text, const char* lowerCasePrefix) noexcept
    {
        for (; *lowerCasePrefix != 0; ++text, ++lowerCasePrefix)
        {
            const auto c = (*text >= 'A' && *text <= 'Z') ? static_cast<char> (*text + ('a' - 'A')) : *text;

            if (c != *lowerCasePrefix)
                return false;
        }

        return true;
    }

    enum class Step
    {
        done,       // the construct was read, scanning goes on
        endOfText,  // the parser runs out of text here and stops nesting
        refused     // the parser would read this in a way the check does not follow
    };

    enum class Tag
    {
        open,
        empty,
        endOfText,
        refused
    };

    /** Walks the text in the order of juce::XmlDocument's recursive descent, with the recursion
        replaced by a depth counter: each open element of the parser is one count here.
    */
    class Scanner
    {
    public:
        Scanner (const char* textToScan, const StateTextCheck::Limits& limitsToUse) noexcept
            : p (textToScan),
              limits (limitsToUse),
              itemsLeft (limitsToUse.items),
              characterDataLeft (limitsToUse.characterDataBytes),
              copyBytesLeft (limitsToUse.attributeCopyBytes)
        {
        }

        bool fitsWithin() noexcept
        {
            return scan() && ! overBudget;
        }

    private:
        bool scan() noexcept
        {
            if (skipSpace() != Step::done)
                return true;

            if (startsWith (p, "<!DOCTYPE"))
                return false;

            if (*p != '<')
                return true;

            switch (readTag())
            {
                case Tag::open:      break;
                case Tag::empty:     return true;
                case Tag::endOfText: return true;
                case Tag::refused:   return false;
            }

            int depth = 1;

            if (depth > limits.depth)
                return false;

            // The children of the innermost open element, as in XmlDocument::readChildElements.
            for (;;)
            {
                const auto* const beforeSpace = p;

                if (skipSpace() != Step::done)
                    return true;

                if (*p == '<')
                {
                    if (p[1] == '/')
                    {
                        // The parser closes the innermost element at any close tag, whatever
                        // its name; without a '>' it unwinds every level.
                        const auto* const closingBracket = std::strchr (p, '>');

                        if (closingBracket == nullptr)
                            return true;

                        p = closingBracket + 1;

                        if (--depth == 0)
                            return true;

                        continue;
                    }

                    if (startsWith (p, "<![CDATA["))
                    {
                        if (! take() || ! skipPast (p + 9, "]]>"))
                            return true;

                        continue;
                    }

                    switch (readTag())
                    {
                        case Tag::open:
                            if (++depth > limits.depth)
                                return false;
                            break;

                        case Tag::empty:     break;
                        case Tag::endOfText: return true;
                        case Tag::refused:   return false;
                    }

                    continue;
                }

                p = beforeSpace;

                switch (readCharacterData())
                {
                    case Step::done:      break;
                    case Step::endOfText: return true;
                    case Step::refused:   return false;
                }
            }
        }

        // Counts one item against the budget; once it is spent, the scan ends as if at the end of
        // the text and the answer is no.
        bool take() noexcept
        {
            if (--itemsLeft >= 0)
                return true;

            overBudget = true;
            return false;
        }

        // XmlDocument::skipNextWhiteSpace: whitespace, comments and processing instructions
        // (the XML declaration is one of these).
        Step skipSpace() noexcept
        {
            for (;;)
            {
                while (isSpace (*p))
                    ++p;

                if (*p == 0)
                    return Step::endOfText;

                if (startsWith (p, "<!--"))
                {
                    if (! take() || ! skipPast (p + 4, "-->"))
                        return Step::endOfText;

                    continue;
                }

                if (startsWith (p, "<?"))
                {
                    if (! take() || ! skipPast (p + 2, "?>"))
                        return Step::endOfText;

                    continue;
                }

                return Step::done;
            }
        }

        bool skipPast (const char* from, const char* terminator) noexcept
        {
            const auto* const found = std::strstr (from, terminator);

            if (found == nullptr)
                return false;

            p = found + std::strlen (terminator);
            return true;
        }

        // XmlDocument::readNextElement up to the point where it would read the children.
        Tag readTag() noexcept
        {
            if (! take())
                return Tag::endOfText;

            ++p;

            if (! isNameChar (*p) && (skipSpace() != Step::done || ! isNameChar (*p)))
                return Tag::refused;

            while (isNameChar (*p))
                ++p;

            for (;;)
            {
                if (skipSpace() != Step::done)
                    return Tag::endOfText;

                if (p[0] == '/' && p[1] == '>')
                {
                    p += 2;
                    return Tag::empty;
                }

                if (*p == '>')
                {
                    ++p;
                    return Tag::open;
                }

                if (! isNameChar (*p))
                    return Tag::refused;

                if (! take())
                    return Tag::endOfText;

                while (isNameChar (*p))
                    ++p;

                if (skipSpace() != Step::done)
                    return Tag::endOfText;

                if (*p != '=')
                    return Tag::refused;

                ++p;

                if (skipSpace() != Step::done)
                    return Tag::endOfText;

                if (*p != '"' && *p != '\'')
                    return Tag::refused;

                switch (readQuoted())
                {
                    case Step::done:      break;
                    case Step::endOfText: return Tag::endOfText;
                    case Step::refused:   return Tag::refused;
                }
            }
        }

        Step readQuoted() noexcept
        {
            const auto quote = *p++;
            const auto* const valueStart = p;

            for (;;)
            {
                if (*p == quote)
                {
                    ++p;
                    return Step::done;
                }

                if (*p == 0)
                    return Step::endOfText;

                if (*p == '&')
                {
                    // The value so far is copied once for the text before the reference and
                    // once for the character it stands for.
                    copyBytesLeft -= 2 * (p - valueStart);

                    if (copyBytesLeft < 0)
                    {
                        overBudget = true;
                        return Step::endOfText;
                    }

                    if (const auto step = readReference(); step != Step::done)
                        return step;

                    continue;
                }

                ++p;
            }
        }

        // Text between tags, up to the next tag that is not a comment.
        Step readCharacterData() noexcept
        {
            for (;;)
            {
                if (*p == '<')
                {
                    if (! startsWith (p, "<!--"))
                        return Step::done;

                    if (! take() || ! skipPast (p + 4, "-->"))
                        return Step::endOfText;

                    continue;
                }

                if (*p == 0)
                    return Step::endOfText;

                const auto* const start = p;

                if (*p == '&')
                {
                    if (const auto step = readReference(); step != Step::done)
                        return step;
                }
                else
                {
                    ++p;
                }

                characterDataLeft -= static_cast<int> (p - start);

                if (characterDataLeft < 0)
                {
                    overBudget = true;
                    return Step::endOfText;
                }
            }
        }

        // The predefined entities and numeric character references. The parser looks any other
        // name up in the document type declaration and parses what it yields as more markup.
        Step readReference() noexcept
        {
            if (! take())
                return Step::endOfText;

            const auto* q = p + 1;

            for (const auto* name : { "amp;", "quot;", "apos;", "lt;", "gt;" })
            {
                if (startsWithIgnoringCase (q, name))
                {
                    p = q + std::strlen (name);
                    return Step::done;
                }
            }

            if (*q++ != '#')
                return Step::refused;

            const auto isHex = (*q == 'x' || *q == 'X');
            const auto base = isHex ? 16 : 10;
            const auto maxDigits = isHex ? 8 : 12;

            if (isHex)
                ++q;

            std::int64_t code = 0;
            int digits = 0;

            for (; digits <= maxDigits; ++q, ++digits)
            {
                const auto value = hexDigitValue (*q);

                if (value < 0 || value >= base)
                    break;

                code = code * base + value;
            }

            if (digits == 0 || digits > maxDigits || *q != ';' || code == 0 || code > 0x10ffff)
                return Step::refused;

            p = q + 1;
            return Step::done;
        }

        const char* p;
        const StateTextCheck::Limits limits;
        int itemsLeft;
        int characterDataLeft;
        std::int64_t copyBytesLeft;
        bool overBudget = false;
    };
}

bool StateTextCheck::isSafeToParse (const char* text, const Limits& limits) noexcept
{
    return text != nullptr && Scanner (text, limits).fitsWithin();
}
