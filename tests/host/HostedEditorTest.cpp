#include "host/HostedPlugin.h"

TEST_F (HostedPluginTest, OffersAnEditorThatOpensAt640By540)
{
    prepare();
    EXPECT_TRUE (plugin->hasEditor());

    std::unique_ptr<juce::AudioProcessorEditor> editor (plugin->createEditorIfNeeded());
    ASSERT_NE (editor, nullptr);
    EXPECT_EQ (editor->getWidth(), 640);
    EXPECT_EQ (editor->getHeight(), 540);

    editor.reset();
    HostedPlugin::pumpMessages (50);
}
