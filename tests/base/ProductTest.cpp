#include "base/TnxProduct.h"

#include <gtest/gtest.h>
#include <string>

TEST(Product, ConstantsHaveTheirPublishedValues) {
    EXPECT_EQ(std::string(tnx::szTarnixVersion), "1.86b");
    EXPECT_EQ(std::string(tnx::szCorvexLibraryName), "Tarnix");
    EXPECT_EQ(std::string(tnx::szCorvexLibraryShortName), "TNX");
}
