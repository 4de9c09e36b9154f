#include "processor/StateTextCheck.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
    struct TextCase
    {
        const char* name;
        const char* text;
        bool safe;
    };

    std::ostream& operator<< (std::ostream& stream, const TextCase& c)
    {
        return stream << c.name;
    }

    class StateTextCheckDepth : public testing::TestWithParam<TextCase> {};

    // A nesting limit of 3 elements, so that each case shows exactly where the count stands.
    StateTextCheck::Limits depthOfThree()
    {
        StateTextCheck::Limits limits;
        limits.depth = 3;
        return limits;
    }
}

TEST_P (StateTextCheckDepth, CountsTheNestingTheParserWouldReach)
{
    EXPECT_EQ (StateTextCheck::isSafeToParse (GetParam().text, depthOfThree()), GetParam().safe);
}

INSTANTIATE_TEST_SUITE_P (Table, StateTextCheckDepth, testing::Values (
    TextCase { "threeLevels",              "<?xml version=\"1.0\"?> <a><b><c/></b></a>", true },
    TextCase { "fourLevels",               "<a><b><c><d></d></c></b></a>", false },
    TextCase { "siblingsDoNotAddUp",       "<a><b><c></c></b><b><c></c></b></a>", true },
    TextCase { "closeTagOfAnyNameCloses",  "<a><b><c></x></y><b><c/></b></a>", true },
    TextCase { "truncatedAtDepthThree",    "<a><b><c>", true },
    TextCase { "truncatedAtDepthFour",     "<a><b><c><d>", false },
    TextCase { "tagsInAttributeValue",     "<a x=\"<b><c><d><e>\" y='<b>'><b/></a>", true },
    TextCase { "tagsInComment",            "<a><!--<b><c><d>--><b><!-- <c><d> --></b></a>", true },
    TextCase { "tagsInCdata",              "<a><b><![CDATA[<c><d><e>]]></b></a>", true },
    TextCase { "tagsInProcessingInstr",    "<a><?p <b><c><d> ?><b/></a>", true },
    TextCase { "gapBeforeTagNameCounts",   "<a>< b>< c>< d></d></c></b></a>", false },
    TextCase { "closeInCommentNotCounted", "<a><b><!--</b></a>--><c><d></d></c></b></a>", false },
    TextCase { "predefinedEntities",       "<a x=\"&amp;&LT;&quot;&apos;&gt;&#38;&#x3c;\">&amp;&#60;b&gt;</a>", true },
    TextCase { "unknownEntityRefused",     "<a>&b;</a>", false },
    TextCase { "zeroCharacterRefused",     "<a>&#0;</a>", false },
    TextCase { "beyondUnicodeRefused",     "<a>&#x110000;</a>", false },
    TextCase { "doctypeRefused",           "<!DOCTYPE a []><a/>", false },
    TextCase { "strayCharacterRefused",    "<a \"><b><c><d>\"/>", false },
    TextCase { "unquotedValueRefused",     "<a x=1/>", false },
    TextCase { "nonAsciiNameRefused",      "<a\xc3\xa9/>", false },
    TextCase { "nonAsciiTextAccepted",     "<a x=\"\xc3\xa9\">\xe2\x82\xac</a>", true },
    TextCase { "unterminatedComment",      "<a><b><!-- <c><d><e>", true },
    TextCase { "noElement",                "just text <a><b><c><d>", true },
    TextCase { "emptyText",                "", true }));

TEST (StateTextCheck, StopsDeepNestingInOnePass)
{
    std::string text;

    for (int i = 0; i < 1000000; ++i)
        text += "<a>";

    EXPECT_FALSE (StateTextCheck::isSafeToParse (text.c_str()));

    std::string atLimit;

    for (int i = 0; i < StateTextCheck::Limits().depth; ++i)
        atLimit += "<a>";

    EXPECT_TRUE (StateTextCheck::isSafeToParse (atLimit.c_str()));
    EXPECT_FALSE (StateTextCheck::isSafeToParse ((atLimit + "<a>").c_str()));
}

TEST (StateTextCheck, RefusesTextBeyondItsBudgets)
{
    StateTextCheck::Limits limits;
    limits.items = 5;

    // Items: the declaration, a, x, b and the comment.
    EXPECT_TRUE (StateTextCheck::isSafeToParse ("<?xml version=\"1.0\"?><a x=\"1\"><b/><!--c--></a>", limits));
    EXPECT_FALSE (StateTextCheck::isSafeToParse ("<?xml version=\"1.0\"?><a x=\"1\"><b/><!--c-->&amp;</a>", limits));
    EXPECT_FALSE (StateTextCheck::isSafeToParse ("<a><![CDATA[]]><?p?><!----><b/><c/></a>", limits));

    // A reference 40 bytes into a value costs the parser 80 bytes of copying, at 60 bytes 120.
    limits = {};
    limits.attributeCopyBytes = 100;
    const std::string forty (40, 'v'), sixty (60, 'v');

    EXPECT_TRUE (StateTextCheck::isSafeToParse (("<a x=\"" + forty + "&amp;\"/>").c_str(), limits));
    EXPECT_FALSE (StateTextCheck::isSafeToParse (("<a x=\"" + sixty + "&amp;\"/>").c_str(), limits));
    EXPECT_TRUE (StateTextCheck::isSafeToParse (("<a>" + sixty + "&amp;</a>").c_str(), limits));

    // Text between tags, leading whitespace and references included, comments not.
    limits = {};
    limits.characterDataBytes = 10;

    EXPECT_TRUE (StateTextCheck::isSafeToParse ("<a> 1<!-- comment -->&lt;2345</a>", limits));
    EXPECT_FALSE (StateTextCheck::isSafeToParse ("<a> 1<!-- comment -->&lt;23456</a>", limits));
}
