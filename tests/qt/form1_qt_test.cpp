// The window's tests (tests/qt/form1_qt_test.h), run offscreen.
#include "tests/qt/form1_qt_test.h"

QTEST_MAIN(orvane_qt_test::Form1QtTest)
