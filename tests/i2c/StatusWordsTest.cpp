// Every status the bench, the i2c-dev backend, the driver host and the station itself define is
// an entry of the statuses' table, so the status line says it in the backend's own words rather
// than by the range it falls in.
#include <gtest/gtest.h>

#include <cerrno>

#include "adapter/Statuses.h"
#include "halyard/driver.h"
#include "i2c/I2cDevAdapter.h"
#include "sim/SimStatus.h"
#include "sim/Srec.h"

namespace halyard::testing {
namespace {

void ExpectNamed(int16_t status, StatusScope scope, const std::string& who) {
  SCOPED_TRACE(who + " " + std::to_string(status));
  const StatusEntry* entry = FindStatus(status, scope);
  ASSERT_NE(entry, nullptr);
}

TEST(StatusWords, EveryStatusABackendDefinesIsNamedInTheTable) {
  using namespace sim_status;
  for (const int16_t status :
       {kOpenFailed, kNotOpen, kNoDevice, kUnknownCommand, kI2cNoRun, kBadRegister, kBadFunction,
        kBadKind, kBadArgument, kNoRowSelected, kRowNotArmed, kRowWriteProtected, kBadBlock})
    ExpectNamed(status, StatusScope::kAnyOperation, "bench");
  for (int error = static_cast<int>(SrecError::kNotFound);
       error <= static_cast<int>(SrecError::kNoEnd); ++error)
    ExpectNamed(static_cast<int16_t>(error), StatusScope::kProgramming, "bench's programming");
  for (int error = 1; error <= 133; ++error)
    ExpectNamed(i2c::StatusOfKernelError(error), StatusScope::kAnyOperation,
                "i2c-dev for errno " + std::to_string(error));
  for (const int16_t status : {kStatusNotOpen, kStatusBadArgument, kStatusNoBusAddress,
                               kStatusAdapterCannot, kStatusNotSupported})
    ExpectNamed(status, StatusScope::kAnyOperation, "i2c-dev");
  for (const int16_t status : {kStatusNotSupported, kStatusDriverBadLength, kStatusDriverBadText,
                               kStatusDriverStationStatus, kStatusBlockCountBeyondArray})
    ExpectNamed(status, StatusScope::kAnyOperation, "station");
  // The adapter's statuses the driver interface names, which drivers are asked to answer.
  for (int status = HALYARD_STATUS_ADAPTER_CLOSED; status <= HALYARD_STATUS_BAD_BLOCK; ++status)
    ExpectNamed(static_cast<int16_t>(status), StatusScope::kAnyOperation, "driver interface");
}

}  // namespace
}  // namespace halyard::testing
