// Tests that run once per instruction-set level of the escape kernels that the build has:
//   INSTANTIATE_TEST_SUITE_P(Levels, Suite, testing::ValuesIn(builtEscapeIsas()), levelName);
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "fractal/EscapeIsa.h"

namespace halcyone {

// Skipped, with a line saying so, where the processor lacks the level; a fixture that derives
// from it calls its SetUp first and stops when IsSkipped().
class PerEscapeLevel : public testing::TestWithParam<EscapeIsa> {
protected:
    void SetUp() override {
        if (!escapeIsaAvailable(GetParam()))
            GTEST_SKIP() << escapeIsaName(GetParam()) << ": this processor lacks it";
    }
};

// How GoogleTest shows a level, in test names too.
inline void PrintTo(EscapeIsa isa, std::ostream* os) {
    *os << escapeIsaName(isa);
}

inline std::string levelName(const testing::TestParamInfo<EscapeIsa>& level) {
    return escapeIsaName(level.param);
}

}  // namespace halcyone
