// GoogleTest inside a QCoreApplication: the stores deliver notifications on the main thread of one.

#include <QCoreApplication>
#include <gmock/gmock.h>

int main(int argc, char** argv) {
    testing::InitGoogleMock(&argc, argv);
    QCoreApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
