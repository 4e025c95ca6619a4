#pragma once
#include <QString>

namespace testsupport {
// A fresh empty folder under the test's own temporary root; removed at exit.
QString freshDir(const QString& name);
// Path of a file under tests/fixtures.
QString fixture(const QString& relative);
}
