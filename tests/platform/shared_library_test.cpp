// Opening a library at its first use, and what a library that cannot be opened gives: one line on
// standard error, a clear error, and forwarding functions that answer with their fallback.
#include "platform/shared_library.h"

#include <cmath>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

constexpr const char* kAbsent = "libmorvik-no-such-library.so.1";

platform::SharedLibrary& absent() {
    static platform::SharedLibrary library(kAbsent, "nothing is off");
    return library;
}

platform::SharedLibrary& libm() {
    static platform::SharedLibrary library("libm.so.6", "nothing is off");
    return library;
}

} // namespace

// A function of a library that cannot be opened, and one that the library has no name for.
MORVIK_FORWARD(absent(), int, morvik_test_absent, (int value), (value), -7)
MORVIK_FORWARD(libm(), double, morvik_test_not_in_libm, (double value), (value), -1.5)

namespace {

TEST(SharedLibrary, OpensAtTheFirstUseAndFindsItsFunctions) {
    platform::SharedLibrary library("libm.so.6", "nothing is off");
    EXPECT_FALSE(library.loaded()); // making it opens nothing
    ASSERT_TRUE(library.available());
    EXPECT_TRUE(library.loaded());
    EXPECT_TRUE(library.error().isEmpty());
    using Cbrt = double (*)(double);
    const auto cbrt = reinterpret_cast<Cbrt>(library.symbol("cbrt"));
    ASSERT_NE(cbrt, nullptr);
    EXPECT_DOUBLE_EQ(cbrt(27.0), 3.0);
    EXPECT_EQ(library.symbol("morvik_no_such_function"), nullptr);
}

TEST(SharedLibrary, OneThatCannotBeOpenedSaysSoOnceAndItsCallsGiveTheirFallback) {
    testing::internal::CaptureStderr();
    EXPECT_FALSE(absent().available());
    EXPECT_FALSE(absent().available());
    EXPECT_EQ(morvik_test_absent(3), -7);
    EXPECT_EQ(morvik_test_absent(4), -7);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said, std::string("morvik: ") + kAbsent + " cannot be loaded; nothing is off\n");
    EXPECT_FALSE(absent().loaded());
    EXPECT_EQ(absent().symbol("anything"), nullptr);
    EXPECT_TRUE(
        absent().error().startsWith(QString::fromUtf8(kAbsent) + QStringLiteral(" cannot be loaded: ")))
        << absent().error().toStdString();
}

TEST(SharedLibrary, ANameTheLibraryLacksGivesTheFallback) {
    EXPECT_EQ(morvik_test_not_in_libm(2.0), -1.5);
    EXPECT_TRUE(libm().available());
}

TEST(SharedLibrary, PretendingItMissingAnswersAsForAMissingFile) {
    platform::SharedLibrary library("libm.so.6", "nothing is off");
    library.pretendMissing(true);
    EXPECT_FALSE(library.available());
    EXPECT_EQ(library.error(), QStringLiteral("libm.so.6 cannot be loaded: not found"));
    library.pretendMissing(false);
    EXPECT_TRUE(library.available());
    EXPECT_TRUE(library.error().isEmpty());
}

TEST(SharedLibrary, ThreadsAskingAtOnceAllFindItOpen) {
    platform::SharedLibrary library("libm.so.6", "nothing is off");
    std::vector<std::thread> threads;
    std::atomic<int> open{0};
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&] {
            if (library.available() && library.symbol("cbrt"))
                ++open;
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(open.load(), 8);
}

} // namespace
