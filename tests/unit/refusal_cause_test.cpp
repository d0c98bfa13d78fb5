#include "power/refusal_cause.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace orvane {
namespace {

// How a failure reads: the D-Bus error's name before the errno that comes with it, and a lost
// or silent bus by whether the final request had gone out.
TEST(BusRefusalCauseTest, NameFirstThenErrno) {
  constexpr ExchangeStage kBefore = ExchangeStage::BeforeRequest;
  constexpr ExchangeStage kRequest = ExchangeStage::Request;
  const struct {
    const char* errorName;
    int errnoValue;
    ExchangeStage stage;
    RefusalCause cause;
  } cases[] = {{"org.freedesktop.DBus.Error.Timeout", ETIMEDOUT, kRequest, RefusalCause::NoAnswer},
               {"System.Error.ENOTCONN", ENOTCONN, kRequest, RefusalCause::NoAnswer},
               {"System.Error.ENOTCONN", ENOTCONN, kBefore, RefusalCause::NotAsked},
               {"", EAGAIN, kBefore, RefusalCause::NotAsked},
               {"", EACCES, kBefore, RefusalCause::NotAllowed},
               {"", ECONNREFUSED, kBefore, RefusalCause::NoLoginManager},
               {"org.freedesktop.DBus.Error.Failed", EIO, kRequest, RefusalCause::Other}};
  for (const auto& c : cases) {
    EXPECT_EQ(BusRefusalCause(c.errorName, c.errnoValue, c.stage), c.cause)
        << "'" << c.errorName << "' errno " << c.errnoValue << " stage " << static_cast<int>(c.stage);
  }
}

TEST(WindowsRefusalCauseTest, AccessDeniedIsNotAllowedOnlyAfterAPrivilegeWasNotAssigned) {
  EXPECT_EQ(WindowsRefusalCause(5, true), RefusalCause::NotAllowed) << "after ERROR_NOT_ALL_ASSIGNED";
  EXPECT_EQ(WindowsRefusalCause(5, false), RefusalCause::Other);
}

}  // namespace
}  // namespace orvane
