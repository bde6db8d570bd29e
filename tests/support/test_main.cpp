// Test main: one QApplication for the whole program (offscreen), then GoogleTest.
#include "platform/localetexts.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                    : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    // As the programs do: code under test that the C library's numbers reach sees them
    // as it does there.
    vindelor::platform::KeepClassicNumbers();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
