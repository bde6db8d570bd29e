// Test main for the tests under a real window manager: a private Xvfb with openbox, and
// the test program's own windows on it (the xcb platform, not offscreen).
#include "xsession.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    using vindelor::test::NoSessionReason;
    using vindelor::test::TheSession;
    bool listing = false;
    for (int i = 1; i < argc; ++i) {
        listing = listing || QByteArray(argv[i]).startsWith("--gtest_list_tests");
    }
    if (!listing && TheSession().Start(&NoSessionReason())) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    } else {
        // The tests skip and say why.
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
