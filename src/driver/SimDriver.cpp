// The simulated bench as an adapter driver, libhalyard-sim-driver.so: the bench behind the C
// interface, so that the driver host is held to the same golden traces as the bench itself.
// Its argument is the bench file's path; empty: the default bench. Nothing escapes a call as an
// exception: the C interface has no way to carry one. Beside the interface it exports the
// bench's counter (SimDriverExtension.h).
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "driver/SimDriverExtension.h"
#include "halyard/driver.h"
#include "sim/SimulatedAdapter.h"

struct halyard_driver_handle {
  std::unique_ptr<halyard::SimulatedAdapter> bench;
};

namespace {

using Handle = halyard_driver_handle;

// The bench answers no status this large; it stands for the bench failing in itself.
constexpr int16_t kInternalError = 0x7FFF;

template <typename Call>
int16_t Guarded(Call&& call) {
  try {
    return call();
  } catch (...) {
    return kInternalError;
  }
}

std::string TextOf(const char* bytes, int32_t length) {
  return length > 0 && bytes != nullptr ? std::string(bytes, static_cast<size_t>(length))
                                        : std::string();
}

// Puts `text` in a caller's buffer; false, with nothing written, when it does not fit.
bool PutText(const std::string& text, char* buffer, int32_t capacity, int32_t* length) {
  if (text.size() > static_cast<size_t>(std::max(capacity, 0))) return false;
  std::copy(text.begin(), text.end(), buffer);
  *length = static_cast<int32_t>(text.size());
  return true;
}

Handle* Create(const char* argument, int32_t length, char* reason, int32_t capacity,
               int32_t* reasonLength) {
  std::string error;
  try {
    std::unique_ptr<halyard::SimulatedAdapter> bench =
        halyard::MakeSimulatedAdapter(TextOf(argument, length), error);
    if (bench) return new Handle{std::move(bench)};
  } catch (...) {
    error = "the simulated bench could not be built";
  }
  if (!PutText(error, reason, capacity, reasonLength)) {
    PutText(error.substr(0, static_cast<size_t>(std::max(capacity, 0))), reason, capacity,
            reasonLength);
  }
  return nullptr;
}

void Destroy(Handle* handle) {
  delete handle;
}

int16_t OpenDevice(Handle* h, const char* name, int32_t length) {
  return Guarded([&] { return h->bench->OpenDevice(TextOf(name, length)); });
}

void CloseDevice(Handle* h) {
  Guarded([&] {
    h->bench->CloseDevice();
    return int16_t{0};
  });
}

void ListDevices(Handle* h, int32_t kind, int32_t* count, char* names, int32_t capacity,
                 int32_t* length) {
  Guarded([&] {
    std::string list = TextOf(names, *length);
    h->bench->ListDevices(kind, *count, list);
    // A list too long for the buffer is reported as no list rather than cut mid-name.
    if (!PutText(list, names, capacity, length)) {
      *count = 0;
      *length = 0;
    }
    return int16_t{0};
  });
}

int16_t WriteSmbusWord(Handle* h, int16_t command, int16_t word, int16_t device) {
  return Guarded([&] { return h->bench->WriteSmbusWord(command, word, device); });
}

int16_t ReadSmbusWord(Handle* h, int16_t command, int16_t* word, int16_t device) {
  return Guarded([&] { return h->bench->ReadSmbusWord(command, *word, device); });
}

int16_t WriteSmbusBlock(Handle* h, int16_t command, const uint8_t* data, int32_t length,
                        int16_t count, int16_t device) {
  return Guarded([&] {
    const std::vector<uint8_t> array(data, data + std::max(length, 0));
    return h->bench->WriteSmbusBlock(command, array, count, device);
  });
}

int16_t ReadSmbusBlock(Handle* h, int16_t command, uint8_t* data, int32_t capacity, int32_t* length,
                       int16_t* count, int16_t device) {
  return Guarded([&] {
    std::vector<uint8_t> array(data, data + std::clamp(*length, 0, capacity));
    const int16_t status = h->bench->ReadSmbusBlock(command, array, *count, device);
    // A scripted block longer than the buffer keeps what fits; its count stays as scripted,
    // so the station sees a count beyond its array, as it would from any such adapter.
    const size_t kept = std::min(array.size(), static_cast<size_t>(capacity));
    std::copy(array.begin(), array.begin() + static_cast<std::ptrdiff_t>(kept), data);
    *length = static_cast<int32_t>(kept);
    return status;
  });
}

int16_t SendSmbusCommand(Handle* h, int16_t command, int16_t device) {
  return Guarded([&] { return h->bench->SendSmbusCommand(command, device); });
}

int16_t GetWriteStatus(Handle* h) {
  return Guarded([&] { return h->bench->GetWriteStatus(); });
}

int16_t I2cAccess(Handle* h, int32_t function, int16_t device, int16_t reg, int16_t* value) {
  return Guarded([&] { return h->bench->I2cAccess(function, device, reg, *value); });
}

int16_t ReadSwbWord(Handle* h, int32_t kind, int16_t reg, int16_t* value) {
  return Guarded([&] { return h->bench->ReadSwbWord(kind, reg, *value); });
}

int16_t ProgramSrec(Handle* h, char* path, int32_t pathCapacity, int32_t* pathLength, char* second,
                    int32_t secondCapacity, int32_t* secondLength, char* third,
                    int32_t thirdCapacity, int32_t* thirdLength) {
  return Guarded([&] {
    std::string texts[] = {TextOf(path, *pathLength), TextOf(second, *secondLength),
                           TextOf(third, *thirdLength)};
    const int16_t status = h->bench->ProgramSrec(texts[0], texts[1], texts[2]);
    // The bench leaves the texts alone; were one to grow past its buffer, it stays as given.
    PutText(texts[0], path, pathCapacity, pathLength);
    PutText(texts[1], second, secondCapacity, secondLength);
    PutText(texts[2], third, thirdCapacity, thirdLength);
    return status;
  });
}

int16_t GetAdapterVersion(Handle* h, int16_t* first, int16_t* second) {
  return Guarded([&] { return h->bench->GetAdapterVersion(*first, *second); });
}

constexpr halyard_driver_table kTable = {
    sizeof(halyard_driver_table),
    HALYARD_DRIVER_VERSION_MAJOR,
    HALYARD_DRIVER_VERSION_MINOR,
    "halyard-sim-driver " HALYARD_VERSION_TEXT,
    Create,
    Destroy,
    OpenDevice,
    CloseDevice,
    ListDevices,
    WriteSmbusWord,
    ReadSmbusWord,
    WriteSmbusBlock,
    ReadSmbusBlock,
    SendSmbusCommand,
    GetWriteStatus,
    I2cAccess,
    ReadSwbWord,
    ProgramSrec,
    GetAdapterVersion,
};

}  // namespace

extern "C" const halyard_driver_table* halyard_driver_entry(void) {
  return &kTable;
}

extern "C" int halyard_sim_measure_oscillator(halyard_driver_handle* handle, double* hz) {
  if (handle == nullptr || hz == nullptr) return -1;
  try {
    return handle->bench->MeasureOscillator(*hz) ? 1 : 0;
  } catch (...) {
    return -1;
  }
}
