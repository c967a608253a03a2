// GoogleTest entry point of the widget tests: a QApplication (on the offscreen platform that the
// test run sets), so widgets can be created, shown, clicked and grabbed.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
