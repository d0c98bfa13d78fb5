#include "power/refusal_cause.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <ostream>

namespace orvane {
namespace {

// How a failure reads: the D-Bus error's name before the errno that comes with it, and a lost
// or silent bus by whether the final request had gone out.
struct CauseCase {
  const char* errorName;
  int errnoValue;
  ExchangeStage stage;
  RefusalCause cause;
};
std::ostream& operator<<(std::ostream& os, const CauseCase& c) {
  return os << "'" << c.errorName << "' errno " << c.errnoValue << " stage " << static_cast<int>(c.stage);
}
class BusRefusalCauseTest : public ::testing::TestWithParam<CauseCase> {};

TEST_P(BusRefusalCauseTest, NameFirstThenErrno) {
  const CauseCase& c = GetParam();
  EXPECT_EQ(BusRefusalCause(c.errorName, c.errnoValue, c.stage), c.cause);
}

constexpr ExchangeStage kBefore = ExchangeStage::BeforeRequest;
constexpr ExchangeStage kRequest = ExchangeStage::Request;
INSTANTIATE_TEST_SUITE_P(
    Failures, BusRefusalCauseTest,
    ::testing::Values(
        CauseCase{"org.freedesktop.DBus.Error.Timeout", ETIMEDOUT, kRequest, RefusalCause::NoAnswer},
        CauseCase{"System.Error.ENOTCONN", ENOTCONN, kRequest, RefusalCause::NoAnswer},
        CauseCase{"System.Error.ENOTCONN", ENOTCONN, kBefore, RefusalCause::NotAsked},
        CauseCase{"", EAGAIN, kBefore, RefusalCause::NotAsked},
        CauseCase{"", EACCES, kBefore, RefusalCause::NotAllowed},
        CauseCase{"", ECONNREFUSED, kBefore, RefusalCause::NoLoginManager},
        CauseCase{"org.freedesktop.DBus.Error.Failed", EIO, kRequest, RefusalCause::Other}));

TEST(WindowsRefusalCauseTest, AccessDeniedIsNotAllowedOnlyAfterAPrivilegeWasNotAssigned) {
  EXPECT_EQ(WindowsRefusalCause(5, true), RefusalCause::NotAllowed) << "after ERROR_NOT_ALL_ASSIGNED";
  EXPECT_EQ(WindowsRefusalCause(5, false), RefusalCause::Other);
}

}  // namespace
}  // namespace orvane
