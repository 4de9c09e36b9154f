#include "engine/VectorKernels.h"

#include <gtest/gtest.h>

namespace
{
    /**
        The unit tests check the engine against the plain rendition of its formulas, so they run
        on the scalar kernels; the equivalence tests switch to the vector sets themselves.
    */
    class ScalarKernelsEnvironment final : public ::testing::Environment
    {
    public:
        void SetUp() override { VectorKernelSets::setActive (VectorKernelSets::scalar); }
    };

    [[maybe_unused]] const auto* const environment = ::testing::AddGlobalTestEnvironment (new ScalarKernelsEnvironment());
}
