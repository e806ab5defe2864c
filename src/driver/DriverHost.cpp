// Loading a driver, checking its table, and every operation through it with its outputs checked.
#include "driver/DriverHost.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>
#include <utility>

#include "adapter/Statuses.h"
#include "driver/DriverText.h"

namespace halyard {

namespace {

namespace fs = std::filesystem;

// The fields every version of the table starts with; entries follow, each one pointer wide.
constexpr size_t kHeaderSize = offsetof(halyard_driver_table, open_device);
constexpr size_t kEntriesStart = offsetof(halyard_driver_table, name);
static_assert(kEntriesStart == 8 &&
                  (sizeof(halyard_driver_table) - kEntriesStart) % sizeof(void*) == 0,
              "the table is a fixed header and pointer-wide entries");
constexpr int32_t kReasonCapacity = 1024;

struct LibraryCloser {
  void operator()(void* library) const { dlclose(library); }
};
using Library = std::unique_ptr<void, LibraryCloser>;

int32_t LengthOf(size_t size) {
  return static_cast<int32_t>(std::min<size_t>(size, std::numeric_limits<int32_t>::max()));
}

// A status the driver answered; one from the station's own range would be taken for the
// station's own judgement, so it is replaced.
int16_t Answer(int16_t status) {
  return IsStationStatus(status) ? kStatusDriverStationStatus : status;
}

// An entry the driver may leave out answers "not supported"; what it answers is checked.
template <typename Entry, typename... Args>
int16_t Forward(Entry entry, halyard_driver_handle* handle, Args... args) {
  if (entry == nullptr) return kStatusNotSupported;
  return Answer(entry(handle, args...));
}

std::string OneLine(std::string text) {
  std::replace_if(
      text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
  return text;
}

// What create's reason buffer says, if it says anything the station can print.
std::string ReasonText(const TextBuffer& reason) {
  if (reason.Check() != 0) return "its reason is not readable text";
  const std::string text = reason.Text();
  return text.empty() ? "no reason given" : OneLine(text);
}

bool FindEntry(const fs::path& path, Library& library, halyard_driver_entry_function& entry,
               std::string& error) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (!fs::exists(status)) {
    error = "no such file";
    return false;
  }
  if (!fs::is_regular_file(status)) {
    error = "not a regular file";
    return false;
  }
  // An absolute path, so dlopen never goes looking along the library path instead.
  const fs::path absolute = fs::absolute(path, ec);
  dlerror();
  library.reset(dlopen((ec ? path : absolute).c_str(), RTLD_NOW | RTLD_LOCAL));
  if (!library) {
    const char* why = dlerror();
    error = "not a loadable library (" + OneLine(why ? why : "dlopen failed") + ")";
    return false;
  }
  void* symbol = dlsym(library.get(), "halyard_driver_entry");
  if (symbol == nullptr) {
    error = "not a Halyard adapter driver: it exports no halyard_driver_entry";
    return false;
  }
  std::memcpy(&entry, &symbol, sizeof entry);
  return true;
}

}  // namespace

bool AdoptDriverTable(const halyard_driver_table* given, halyard_driver_table& copy,
                      std::string& name, std::string& reason) {
  if (given == nullptr) {
    reason = "halyard_driver_entry returned no table";
    return false;
  }
  // struct_size first: the version fields are only there when it says so.
  if (given->struct_size < kHeaderSize) {
    reason = "its table is " + std::to_string(given->struct_size) +
             " bytes, too small for the interface's " + std::to_string(kHeaderSize) +
             " bytes of header";
    return false;
  }
  if (given->version_major != HALYARD_DRIVER_VERSION_MAJOR) {
    reason = "it is written for driver interface " + std::to_string(given->version_major) + "." +
             std::to_string(given->version_minor) + "; this station knows interface " +
             std::to_string(HALYARD_DRIVER_VERSION_MAJOR) + "." +
             std::to_string(HALYARD_DRIVER_VERSION_MINOR);
    return false;
  }
  // Whole entries only: one cut by struct_size counts as missing.
  size_t known = std::min<size_t>(given->struct_size, sizeof(halyard_driver_table));
  known = kEntriesStart + (known - kEntriesStart) / sizeof(void*) * sizeof(void*);
  copy = halyard_driver_table{};
  std::memcpy(&copy, given, known);
  copy.struct_size = static_cast<uint32_t>(known);
  if (copy.name == nullptr || copy.create == nullptr || copy.destroy == nullptr) {
    reason = "its table lacks a name, create or destroy";
    return false;
  }
  const size_t length = strnlen(copy.name, HALYARD_NAME_MAX + 1);
  name.assign(copy.name, length);
  if (length > HALYARD_NAME_MAX || !IsCleanUtf8(name)) {
    reason = "its name is not UTF-8 text of at most " + std::to_string(HALYARD_NAME_MAX) + " bytes";
    return false;
  }
  return true;
}

std::unique_ptr<DriverHost> DriverHost::Load(const fs::path& path, const std::string& argument,
                                             std::string& error) {
  Library library;
  halyard_driver_entry_function entry = nullptr;
  if (!FindEntry(path, library, entry, error)) return nullptr;
  halyard_driver_table table{};
  std::string name;
  if (!AdoptDriverTable(entry(), table, name, error)) return nullptr;
  if (argument.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    error = "the driver's argument is too long";
    return nullptr;
  }
  TextBuffer reason("", kReasonCapacity);
  halyard_driver_handle* handle = table.create(argument.data(), LengthOf(argument.size()),
                                               reason.Data(), reason.Capacity(), reason.Length());
  if (handle == nullptr) {
    error = name + " did not start: " + ReasonText(reason);
    return nullptr;
  }
  return std::unique_ptr<DriverHost>(
      new DriverHost(library.release(), table, handle, std::move(name)));
}

DriverHost::DriverHost(void* library, const halyard_driver_table& table,
                       halyard_driver_handle* handle, std::string name)
    : library_(library), table_(table), handle_(handle), name_(std::move(name)) {}

DriverHost::~DriverHost() {
  table_.destroy(handle_);
  dlclose(library_);
}

void* DriverHost::Symbol(const char* name) const {
  return dlsym(library_, name);
}

int16_t DriverHost::Call(CallValues& call) {
  using F = Field;
  using Bytes = std::vector<uint8_t>;
  const auto in16 = [&call](Field field) { return call.In<int16_t>(field); };
  const auto out16 = [&call](Field field) { return &call.Out<int16_t>(field); };
  halyard_driver_handle* const h = handle_;
  switch (call.Op()) {
    case Operation::kOpenDevice:
      return Open(call.In<std::string>(F::kName));
    case Operation::kCloseDevice:
      if (table_.close_device != nullptr) table_.close_device(h);
      return 0;
    case Operation::kListDevices:
      List(call.In<int32_t>(F::kKind), call.Out<int32_t>(F::kCount),
           call.Out<std::string>(F::kNames));
      return 0;
    case Operation::kWriteSmbusWord:
      return Forward(table_.write_smbus_word, h, in16(F::kCommand), in16(F::kWord),
                     in16(F::kDevice));
    case Operation::kReadSmbusWord:
      return Forward(table_.read_smbus_word, h, in16(F::kCommand), out16(F::kWord),
                     in16(F::kDevice));
    case Operation::kWriteSmbusBlock: {
      const Bytes& data = call.In<Bytes>(F::kData);
      return Forward(table_.write_smbus_block, h, in16(F::kCommand), data.data(),
                     LengthOf(data.size()), in16(F::kCount), in16(F::kDevice));
    }
    case Operation::kReadSmbusBlock:
      return ReadBlock(in16(F::kCommand), call.Out<Bytes>(F::kData), call.Out<int16_t>(F::kCount),
                       in16(F::kDevice));
    case Operation::kSendSmbusCommand:
      return Forward(table_.send_smbus_command, h, in16(F::kCommand), in16(F::kDevice));
    case Operation::kGetWriteStatus:
      return Forward(table_.get_write_status, h);
    case Operation::kI2cAccess:
      return Forward(table_.i2c_access, h, call.In<int32_t>(F::kFunction), in16(F::kDevice),
                     in16(F::kRegister), out16(F::kValue));
    case Operation::kReadSwbWord:
      return Forward(table_.read_swb_word, h, call.In<int32_t>(F::kKind), in16(F::kRegister),
                     out16(F::kValue));
    case Operation::kProgramSrec:
      return Program(call.InOut<std::string>(F::kPath), call.InOut<std::string>(F::kSecondText),
                     call.InOut<std::string>(F::kThird));
    case Operation::kGetAdapterVersion:
      return Forward(table_.get_adapter_version, h, out16(F::kFirst), out16(F::kSecond));
  }
  return kStatusNotSupported;
}

int16_t DriverHost::Open(const std::string& name) {
  if (table_.open_device == nullptr) return HALYARD_STATUS_NOT_OPENED;
  const int16_t status = table_.open_device(handle_, name.data(), LengthOf(name.size()));
  // Any other value means "opened"; a station status cannot be trusted to mean that.
  return IsStationStatus(status) ? int16_t{HALYARD_STATUS_NOT_OPENED} : status;
}

void DriverHost::List(int32_t kind, int32_t& count, std::string& names) {
  TextBuffer buffer(names, HALYARD_TEXT_CAPACITY);
  int32_t found = count;
  if (table_.list_devices != nullptr) {
    table_.list_devices(handle_, kind, &found, buffer.Data(), buffer.Capacity(), buffer.Length());
  }
  // The operation has no status: a list the station cannot read lists nothing.
  if (table_.list_devices == nullptr || buffer.Check() != 0) {
    count = 0;
    names.clear();
    return;
  }
  count = found;
  names = buffer.Text();
}

int16_t DriverHost::ReadBlock(int16_t command, std::vector<uint8_t>& data, int16_t& count,
                              int16_t device) {
  if (table_.read_smbus_block == nullptr) return kStatusNotSupported;
  // The driver gets the caller's array with room to grow to the longest SMBus block.
  std::vector<uint8_t> buffer(std::max<size_t>(data.size(), HALYARD_BLOCK_CAPACITY), 0);
  std::copy(data.begin(), data.end(), buffer.begin());
  int32_t length = LengthOf(data.size());
  int16_t found = count;
  const int16_t status = table_.read_smbus_block(handle_, command, buffer.data(),
                                                 LengthOf(buffer.size()), &length, &found, device);
  if (length < 0 || static_cast<size_t>(length) > buffer.size()) return kStatusDriverBadLength;
  data.assign(buffer.begin(), buffer.begin() + length);
  count = found;
  return Answer(status);
}

int16_t DriverHost::Program(std::string& path, std::string& second, std::string& third) {
  if (table_.program_srec == nullptr) return kStatusNotSupported;
  TextBuffer texts[] = {{path, HALYARD_TEXT_CAPACITY},
                        {second, HALYARD_TEXT_CAPACITY},
                        {third, HALYARD_TEXT_CAPACITY}};
  const int16_t status =
      table_.program_srec(handle_, texts[0].Data(), texts[0].Capacity(), texts[0].Length(),
                          texts[1].Data(), texts[1].Capacity(), texts[1].Length(), texts[2].Data(),
                          texts[2].Capacity(), texts[2].Length());
  // All three texts or none: a refused one leaves the caller's three as they were.
  for (const TextBuffer& text : texts) {
    if (const int16_t refused = text.Check(); refused != 0) return refused;
  }
  path = texts[0].Text();
  second = texts[1].Text();
  third = texts[2].Text();
  return Answer(status);
}

}  // namespace halyard
