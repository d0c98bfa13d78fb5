// One exit request per argument (the flags, in decimal) through the logind platform; prints
// "<flags> accepted" or "<flags> refused <cause>: <reason>" per line. Only for the end-to-end suite,
// which points DBUS_SYSTEM_BUS_ADDRESS at a private bus with a mock logind first.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "power/power_platform.h"

namespace {

const char* CauseName(orvane::RefusalCause cause) {
  switch (cause) {
    case orvane::RefusalCause::NotAllowed: return "not-allowed";
    case orvane::RefusalCause::Inhibited: return "inhibited";
    case orvane::RefusalCause::NoSession: return "no-session";
    case orvane::RefusalCause::NoLoginManager: return "no-login-manager";
    case orvane::RefusalCause::NoAnswer: return "no-answer";
    case orvane::RefusalCause::NotAsked: return "not-asked";
    case orvane::RefusalCause::UnderWay: return "under-way";
    case orvane::RefusalCause::Other:
    default: return "other";
  }
}

}  // namespace

int main(int argc, char** argv) {
  const char* bus = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");  // NOLINT(concurrency-mt-unsafe)
  if (bus == nullptr || std::strstr(bus, "unix:path=/tmp/") != bus) {
    std::fprintf(stderr, "logind_probe: DBUS_SYSTEM_BUS_ADDRESS must name a private bus in /tmp\n");
    return 2;
  }
  const auto platform = orvane::MakeSystemPowerPlatform();
  for (int i = 1; i < argc; ++i) {
    const auto flags = static_cast<std::uint32_t>(std::strtoul(argv[i], nullptr, 10));
    const orvane::PowerResult result = platform->ExitWindowsEx(flags, 0);
    if (result.accepted) {
      std::printf("%u accepted\n", flags);
    } else {
      std::printf("%u refused %s: %s\n", flags, CauseName(result.cause), result.reason.c_str());
    }
  }
  return 0;
}
