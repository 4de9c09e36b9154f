#include "HostedPlugin.h"

#include <pluginterfaces/base/ipluginbase.h>

#include <dlfcn.h>

#include <array>
#include <string>

namespace
{
    using Steinberg::IPluginFactory;
    using Steinberg::IPluginFactory2;

    /** The bundle's module opened as a host opens it on Linux: dlopen, then ModuleEntry. */
    class OpenModule
    {
    public:
        explicit OpenModule (const juce::File& bundle)
        {
            const auto library = bundle.getChildFile ("Contents/x86_64-linux")
                                       .getChildFile (bundle.getFileNameWithoutExtension() + ".so");
            handle = dlopen (library.getFullPathName().toRawUTF8(), RTLD_NOW | RTLD_LOCAL);

            if (handle == nullptr)
                return;

            using EntryFunction = bool (*) (void*);

            if (auto* entry = reinterpret_cast<EntryFunction> (dlsym (handle, "ModuleEntry")))
                entered = entry (handle);
        }

        ~OpenModule()
        {
            if (handle == nullptr)
                return;

            using ExitFunction = bool (*)();

            if (entered)
                if (auto* exit = reinterpret_cast<ExitFunction> (dlsym (handle, "ModuleExit")))
                    exit();

            dlclose (handle);
        }

        IPluginFactory* createFactory() const
        {
            using FactoryFunction = IPluginFactory* (PLUGIN_API*)();
            auto* function = reinterpret_cast<FactoryFunction> (dlsym (handle, "GetPluginFactory"));
            return function != nullptr ? function() : nullptr;
        }

        void* handle = nullptr;
        bool entered = false;

        JUCE_DECLARE_NON_COPYABLE (OpenModule)
    };

    std::array<unsigned char, 16> idBytes (const Steinberg::TUID id)
    {
        std::array<unsigned char, 16> bytes {};
        std::memcpy (bytes.data(), id, bytes.size());
        return bytes;
    }

    std::array<unsigned char, 16> expectedId (std::initializer_list<unsigned char> firstEight)
    {
        std::array<unsigned char, 16> bytes {};
        std::copy (firstEight.begin(), firstEight.end(), bytes.begin());
        const char codes[] = "BkfdHlmr";
        std::copy (codes, codes + 8, bytes.begin() + 8);
        return bytes;
    }
}

TEST (Vst3Factory, CarriesTheIdentityHostsStoreProjectsBy)
{
    OpenModule module (HostedPlugin::builtBundle());
    ASSERT_NE (module.handle, nullptr) << dlerror();
    ASSERT_TRUE (module.entered);

    auto* factory = module.createFactory();
    ASSERT_NE (factory, nullptr);

    Steinberg::PFactoryInfo factoryInfo {};
    ASSERT_EQ (factory->getFactoryInfo (&factoryInfo), Steinberg::kResultOk);
    EXPECT_STREQ (factoryInfo.vendor, "Brackenfold");
    EXPECT_STREQ (factoryInfo.url, "");
    EXPECT_STREQ (factoryInfo.email, "");
    EXPECT_EQ (factoryInfo.flags, 16);

    // JUCE 7.0.5 registers the audio component and the controller; it has no compatibility class.
    ASSERT_EQ (factory->countClasses(), 2);

    IPluginFactory2* factory2 = nullptr;
    ASSERT_EQ (factory->queryInterface (IPluginFactory2::iid, reinterpret_cast<void**> (&factory2)), Steinberg::kResultOk);
    ASSERT_NE (factory2, nullptr);

    struct ExpectedClass
    {
        std::array<unsigned char, 16> id;
        const char* category;
    };

    const ExpectedClass expected[] = {
        { expectedId ({ 0xab, 0xcd, 0xef, 0x01, 0x91, 0x82, 0xfa, 0xeb }), "Audio Module Class" },
        { expectedId ({ 0xab, 0xcd, 0xef, 0x01, 0x12, 0x34, 0xab, 0xcd }), "Component Controller Class" },
    };

    for (int index = 0; index < 2; ++index)
    {
        SCOPED_TRACE ("class " + std::to_string (index));
        Steinberg::PClassInfo2 info {};
        ASSERT_EQ (factory2->getClassInfo2 (index, &info), Steinberg::kResultOk);

        EXPECT_EQ (idBytes (info.cid), expected[index].id);
        EXPECT_STREQ (info.category, expected[index].category);
        EXPECT_EQ (info.cardinality, 0x7fffffff);
        EXPECT_STREQ (info.name, "Hollowmere");
        EXPECT_EQ (info.classFlags, 0u);
        EXPECT_STREQ (info.subCategories, "Fx");
        EXPECT_STREQ (info.vendor, "Brackenfold");
        EXPECT_STREQ (info.version, "1.0.0");
        EXPECT_STREQ (info.sdkVersion, "VST 3.7.2");
    }

    factory2->release();
    factory->release();
}
