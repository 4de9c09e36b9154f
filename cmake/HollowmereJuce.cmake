# Settings shared by every target that compiles JUCE modules.
set(HOLLOWMERE_JUCE_DEFINITIONS
    JUCE_WEB_BROWSER=0
    JUCE_USE_CURL=0
    JUCE_DSP_USE_STATIC_FFTW=1
    JUCE_VST3_CAN_REPLACE_VST2=0
    JUCE_DISPLAY_SPLASH_SCREEN=0
    JUCE_REPORT_APP_USAGE=0)

set(HOLLOWMERE_JUCE_SYSTEM_LIBRARIES
    PkgConfig::HOLLOWMERE_CODECS
    PkgConfig::HOLLOWMERE_FFTW
    PkgConfig::HOLLOWMERE_SLEEF)

# The host side of the tests and tools: the JUCE modules compiled once, with VST3 hosting, into a
# static library. The plug-in itself never links this (it ships without hosting code). Hosts run
# the message loop for a while in place (a hosted VST3 reports its latency from that loop), hence
# the modal loops.
function(hollowmere_add_host_juce_library)
    add_library(hollowmere_host_juce STATIC)
    target_link_libraries(hollowmere_host_juce
        PRIVATE
            juce::juce_audio_utils
            juce::juce_audio_processors
            juce::juce_audio_formats
            juce::juce_dsp
            # Debian's juce_graphics decodes images with the system libpng and libjpeg; plug-in
            # targets get them from juce_add_plugin, a plain library has to ask.
            juce::pkgconfig_JUCE_IMG_LINUX_DEPS
        PUBLIC
            ${HOLLOWMERE_JUCE_SYSTEM_LIBRARIES}
            juce::juce_recommended_config_flags)
    target_compile_definitions(hollowmere_host_juce PUBLIC
        ${HOLLOWMERE_JUCE_DEFINITIONS}
        JUCE_PLUGINHOST_VST3=1
        JUCE_MODAL_LOOPS_PERMITTED=1
        JUCE_STANDALONE_APPLICATION=1
        JUCE_GLOBAL_MODULE_SETTINGS_INCLUDED=1)
    # Module sources must compile only here, so consumers get the headers and definitions of the
    # modules without their INTERFACE_SOURCES.
    target_include_directories(hollowmere_host_juce INTERFACE
        $<TARGET_PROPERTY:hollowmere_host_juce,INCLUDE_DIRECTORIES>)
    target_compile_definitions(hollowmere_host_juce INTERFACE
        $<TARGET_PROPERTY:hollowmere_host_juce,COMPILE_DEFINITIONS>)
    set_target_properties(hollowmere_host_juce PROPERTIES POSITION_INDEPENDENT_CODE ON)
endfunction()
