// GoogleTest entry point for tests that need Qt: one QApplication on the offscreen platform
// (unless the caller chose a platform, as the X server tests do). Every test program runs in the
// sandbox home of the build tree, so nothing it does can reach the user's own files.
#include <QApplication>
#include <QDir>
#include <gtest/gtest.h>

namespace {

void enterSandbox() {
    const QByteArray sandbox = MORVIK_TEST_SANDBOX;
    qputenv("HOME", sandbox + "/home");
    qputenv("XDG_DATA_HOME", sandbox + "/data");
    qputenv("XDG_CONFIG_HOME", sandbox + "/config");
    qputenv("XDG_CACHE_HOME", sandbox + "/cache");
    qputenv("XDG_RUNTIME_DIR", sandbox + "/runtime");
    qputenv("MORVIK_HOME", sandbox + "/morvik");
    // The sibling programs beside the test programs (the build puts vens and palk there) are found
    // only by the tests that point MORVIK_BIN at them.
    if (qEnvironmentVariableIsEmpty("MORVIK_BIN"))
        qputenv("MORVIK_BIN", sandbox + "/bin");
    if (qEnvironmentVariableIsEmpty("MORVIK_DATA"))
        qputenv("MORVIK_DATA", MORVIK_TEST_DATA);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER"))
        qputenv("SDL_AUDIODRIVER", "dummy");
    // Tests speak to servers of their own on loopback only: a proxy of the machine must not
    // stand between.
    for (const char* proxy : {"http_proxy", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        qunsetenv(proxy);
    for (const char* dir : {"/home", "/data", "/config", "/cache", "/runtime", "/morvik", "/bin"})
        QDir().mkpath(QString::fromUtf8(sandbox + dir));
}

} // namespace

int main(int argc, char** argv) {
    enterSandbox();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
