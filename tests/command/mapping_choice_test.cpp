// The mapping an answer at the prompt selects.
#include <gtest/gtest.h>

#include "command/mapping_choice.h"

namespace {

TEST(MappingChoice, OnlyOneAndTwoAreTakenAsAnswered) {
    EXPECT_EQ(mappingChoiceFromAnswer(1), kMappingFmrToVmr);
    EXPECT_EQ(mappingChoiceFromAnswer(2), kMappingVmrToFmr);
    for (int answer : {3, 0, 7, -1, 2147483647}) {
        EXPECT_EQ(mappingChoiceFromAnswer(answer), kMappingFmrToFmr) << answer;
    }
}

} // namespace
