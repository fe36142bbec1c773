// Entry of the end-to-end suite:
//   twinscout_e2e <twinscout binary> <twinscout_oracle binary> [gtest flags]
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "e2e_env.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing runs nothing, so it needs no binaries (test discovery uses it).
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <twinscout> <twinscout_oracle> [gtest flags]\n",
                     argc > 0 ? argv[0] : "twinscout_e2e");
        return 2;
    }

    // Resolve now, before any test changes directory. Under Wine this also
    // turns the host path /work/... into Z:\work\..., which a child understands.
    std::error_code error;
    std::filesystem::path program = std::filesystem::absolute(argv[1], error);
    if (error) {
        std::fprintf(stderr, "cannot resolve %s: %s\n", argv[1], error.message().c_str());
        return 2;
    }
    std::filesystem::path oracle = std::filesystem::absolute(argv[2], error);
    if (error) {
        std::fprintf(stderr, "cannot resolve %s: %s\n", argv[2], error.message().c_str());
        return 2;
    }
    twinscout::e2e::setBinaryPaths(program.lexically_normal(), oracle.lexically_normal());

    return RUN_ALL_TESTS();
}
